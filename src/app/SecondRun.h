#pragma once

#include <QStringList>

// Opens `path` in a second window of this program: starts its own executable with the
// path as the first argument (no shell, so blanks and quotes in the path arrive as they
// are), followed by the import `options` (TMainForm::ImportFile). The new run imports the
// file when its window first shows. Throws on failure.
void StartSecondRun(const QString& path, const QStringList& options = {});

// Starts `program` with `arguments`, detached from this process. Throws
// std::runtime_error naming the program and the reason when it cannot be started.
void StartProgram(const QString& program, const QStringList& arguments);

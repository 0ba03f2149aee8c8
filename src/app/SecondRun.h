#pragma once

class QString;

// Opens `path` in a second window of this program: starts its own executable with the
// path as the one argument (no shell, so blanks and quotes in the path arrive as they
// are). The new run imports the file when its window first shows. Throws on failure.
void StartSecondRun(const QString& path);

// Starts `program` with `argument` as its one argument, detached from this process.
// Throws std::runtime_error naming the program and the reason when it cannot be started.
void StartProgram(const QString& program, const QString& argument);

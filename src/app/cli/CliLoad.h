#pragma once

#include <string>

class TNCADProject;
class TPointRowSink;

// Reads the job file at `path` into `project`, and its rows into `rows` when given, as the
// import reads it. Every subcommand that takes a point file loads it here, so that a new
// input format is added in one place. Throws EFileError, or EPointLineError for a faulty
// line (the points before it stay).
void LoadJobFile(const std::string& path, TNCADProject& project, TPointRowSink* rows = nullptr);

// LoadJobFile for a subcommand that stops when the job cannot be read: prints why on
// standard error ("FILE:LINE: message" for a faulty line, otherwise "`who`: reason") and
// returns false.
bool LoadJobFileOrReport(const std::string& path, TNCADProject& project, const char* who);

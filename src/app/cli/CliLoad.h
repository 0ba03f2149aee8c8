#pragma once

#include "formats/InstrumentFormat.h"
#include "model/AxisOrder.h"

#include <optional>
#include <string>
#include <vector>

class TNCADProject;
class TPointRowSink;
struct TLineMessage;

// How a subcommand wants its job file read.
struct TJobLoadOptions {
    // The format to read; without it an instrument format is detected, else point lines.
    std::optional<TFormatChoice> From;
    // Go on with the points that could be read when records of an instrument file were left
    // out.
    bool KeepGoing = false;
    // What the job's X holds: instrument data puts northing into X under XNorth. Point files
    // are read as they are.
    TAxisOrder Axes = TAxisOrder::XEast;
};

// Takes the option at argv[i] when it is one of TJobLoadOptions (--from FORMAT,
// --keep-going, --x-axis east|north), moving `i` past its value: 1 taken, 0 not one of
// them, -1 a value that names nothing (said on standard error).
int TakeJobLoadOption(int argc, char** argv, int& i, TJobLoadOptions& options);
// Their lines for a usage text.
extern const char kJobLoadUsage[];

// Reads the job file at `path` into `project`, and its rows into `rows` when given, as the
// import reads it: the program's point lines or any instrument format. Every subcommand
// that takes a job file loads it here, so that a new input format is added in one place.
// Notes, warnings and records left out of an instrument file go to standard error as
// "FILE:LINE: ..."; the result is false when records were left out and `options` does not
// keep going (warnings leave every point in and do not stop). Throws EFileError,
// EPointLineError for a faulty point line (the points before it stay), or
// std::runtime_error "FILE: no records found as SDR" when no point could be read.
bool LoadJobFile(const std::string& path, TNCADProject& project, TPointRowSink* rows = nullptr,
                 const TJobLoadOptions& options = {});

// LoadJobFile for a subcommand that stops when the job cannot be read: prints why on
// standard error ("FILE:LINE: message" for a faulty line, otherwise "`who`: reason") and
// returns false.
bool LoadJobFileOrReport(const std::string& path, TNCADProject& project, const char* who,
                         const TJobLoadOptions& options = {}, TPointRowSink* rows = nullptr);

// Messages about an instrument file on standard error, "FILE:LINE: `kind`text".
void PrintLineMessages(const std::string& path, const std::vector<TLineMessage>& messages, const char* kind);

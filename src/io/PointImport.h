#pragma once

#include "io/PointLine.h"
#include "text/LineCursor.h"

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TNCADProject;
class TPoint3D;

// Which lines of a text were read in the encoding that fewer of its lines have, when its
// lines were not all of one encoding. Lines of ASCII alone count for neither.
struct TEncodingMix {
    TLineEncoding Listed = TLineEncoding::Utf8;
    int Count = 0;                                // lines listed
    std::vector<std::pair<int, int>> Ranges;      // 1-based first and last line numbers

    bool Empty() const { return Count == 0; }
    // "2, 5-7, 9", then ", ..." past `shown` ranges.
    std::string LineList(size_t shown = 10) const;
};

// Lines of point text, held as one buffer in the encoding they arrived in. A line ends at
// CR LF, a lone CR or a lone LF; a last line without a line end counts as well.
class TPointLines {
public:
    TPointLines() = default;
    // Bytes of a point file: CP949, unless they are valid UTF-8 holding non-ASCII text
    // (files written on Linux) that does not read better as CP949 Hangul. A UTF-8
    // byte-order mark means UTF-8 and is dropped. A text with lines that are no UTF-8 and
    // lines with Korean in UTF-8 (a job edited on two machines) is read line by line and
    // held as UTF-8; Mix() says which lines were read how.
    static TPointLines FromFileBytes(std::string bytes);
    // Reads a whole file; throws EFileError naming the path and the reason (CheckJobFile's
    // refusals among them).
    static TPointLines LoadFile(const std::string& path);
    // Text already in UTF-8 (received text, tests).
    static TPointLines FromUtf8(std::string text);
    static TPointLines FromUtf8Lines(const std::vector<std::string>& lines);

    TLineEncoding Encoding() const { return m_encoding; }
    const TEncodingMix& Mix() const { return m_mix; }
    // Leaves out a last line that has no line end (a transfer cut short) and returns its
    // 1-based number; 0 when the text ends with a line end or is empty.
    int DropUnendedLastLine();
    std::string_view Text() const { return m_text; }

    // Walks the lines in order (Position() is the byte after the last line's end).
    using Cursor = TLineCursor;
    // The cursor points into this object: a temporary would leave it dangling.
    Cursor Lines() const& { return Cursor(m_text); }
    Cursor Lines() const&& = delete;

private:
    TPointLines(std::string text, TLineEncoding encoding)
        : m_text(std::move(text)), m_encoding(encoding) {}
    static TPointLines readLinesApart(std::string_view bytes);

    std::string m_text;
    TLineEncoding m_encoding = TLineEncoding::Utf8;
    TEncodingMix m_mix;
};

// Throws EFileError when `path` is no file a job can be read from: missing, a folder, not a
// regular file (a pipe would block the reader until a writer appears), or larger than the
// program can hold.
void CheckJobFile(const std::string& path);

// Where imported rows go besides the project: the point table. Rows come in line order;
// `point` is the model's point of the row, owned by the project.
class TPointRowSink {
public:
    virtual ~TPointRowSink() = default;
    virtual void AppendPointRow(const std::string (&cells)[5], TPoint3D* point) = 0;
};

// A line that stopped an import. what() is the bare message the error box shows
// ("List index out of bounds (2)", "'x' is not a valid floating point value"); Line() is
// the 1-based number of the faulty line. The lines before it stay imported.
class EPointLineError : public std::runtime_error {
public:
    EPointLineError(const std::string& message, int line)
        : std::runtime_error(message), m_line(line) {}
    int Line() const { return m_line; }

private:
    int m_line;
};

// Appends records: each one becomes a point at the end of the group of its code (a new
// group at the end of the project for a new code) and one row in the sink.
class TPointImporter {
public:
    explicit TPointImporter(TNCADProject& project, TPointRowSink* sink = nullptr)
        : m_project(project), m_sink(sink) {}

    void Append(const TPointRecord& record);
    int Count() const { return m_count; }

private:
    TNCADProject& m_project;
    TPointRowSink* m_sink;
    int m_count = 0;
};

struct TImportProgress {
    // Called now and then with the work done so far and the whole (for point lines the bytes
    // read and the file's bytes); may pump events, and throw to stop the import.
    std::function<void(size_t done, size_t total)> Report;
    size_t LinesBetweenReports = 65536;
};

// A line without fields that ended the data while lines with fields followed it.
struct TDataEnd {
    int Line = 0;   // 1-based number of that line; 0 when the data ran to its end
    int Unread = 0; // lines with fields after it, which were not read
};

// Reads `lines` until they run out or a line without fields ends the data (instruments mark
// the end so), appending to `project` and `sink`. Returns the number of points added; `end`
// tells whether lines were left unread after such a line. A faulty line throws
// EPointLineError; everything before it stays.
int ImportPointLines(const TPointLines& lines, TNCADProject& project, TPointRowSink* sink,
                     const TImportProgress* progress = nullptr, TDataEnd* end = nullptr);

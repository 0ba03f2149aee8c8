#include "io/PointImport.h"

#include "io/FileError.h"
#include "model/NCADProject.h"
#include "text/Cp949.h"
#include "text/FieldText.h"
#include "text/NumText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// A job is read whole into memory; far past this it could not be held with its points.
constexpr long long kMaxJobFileBytes = 1LL << 30;

// Whole megabytes, rounded up: a file just past the limit must not read as the limit.
std::string megabytes(long long bytes) {
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB";
}

// The file behind `st` is one a job can be read from, or EFileError says why not.
void checkJobFile(const struct stat& st, const std::string& path) {
    if (S_ISDIR(st.st_mode))
        throw EFileError("Cannot open file", path, EISDIR);
    // A pipe would wait for a writer, a device may never end.
    if (!S_ISREG(st.st_mode))
        throw EFileError("Cannot open file", path, "It is not a regular file (a device or a pipe)",
                         EINVAL);
    if (st.st_size > kMaxJobFileBytes)
        throw EFileError("Cannot open file", path,
                         "It is " + megabytes(st.st_size) + "; job files of up to " +
                             megabytes(kMaxJobFileBytes) + " can be read",
                         EFBIG);
}

// Reads the whole file in one buffer; the size from fstat saves regrowing it.
std::string readWholeFile(const std::string& path) {
    // Not blocking: a pipe is refused below instead of waiting here for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw EFileError("Cannot open file", path, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw EFileError("Cannot open file", path, errno);
    checkJobFile(st, path);
    std::string bytes;
    try {
        if (st.st_size > 0)
            bytes.reserve(static_cast<size_t>(st.st_size));
        char buf[1 << 16];
        for (;;) {
            const ssize_t r = ::read(fd, buf, sizeof buf);
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                throw EFileError("Cannot read file", path, errno);
            }
            if (r == 0)
                break;
            // A file that grows while it is read (or a size the system does not tell).
            if (static_cast<long long>(bytes.size()) + r > kMaxJobFileBytes)
                throw EFileError("Cannot read file", path,
                                 "It grew past " + megabytes(kMaxJobFileBytes) +
                                     " while it was read; job files of up to that size can be read",
                                 EFBIG);
            bytes.append(buf, static_cast<size_t>(r));
        }
    } catch (const std::bad_alloc&) {
        throw EFileError("Cannot read file", path, "There is not enough memory to hold it", ENOMEM);
    }
    return bytes;
}

} // namespace

namespace {

// Korean in UTF-8: a well-formed line with a three-byte character, which CP949 text
// practically never forms.
bool isUtf8Korean(std::string_view line) {
    for (const char c : line)
        if ((static_cast<unsigned char>(c) & 0xF0) == 0xE0)
            return Cp949::IsValidUtf8(line);
    return false;
}

void addLine(std::vector<std::pair<int, int>>& ranges, int line) {
    if (!ranges.empty() && ranges.back().second == line - 1)
        ranges.back().second = line;
    else
        ranges.emplace_back(line, line);
}

// Text that is no UTF-8 as a whole has a CP949 line for sure; this tells whether it has a
// UTF-8 one as well.
bool hasUtf8KoreanLine(std::string_view bytes) {
    TLineCursor cursor(bytes);
    for (std::string_view line; cursor.Next(line);)
        if (isUtf8Korean(line))
            return true;
    return false;
}

} // namespace

std::string TEncodingMix::LineList(size_t shown) const {
    std::string out;
    for (size_t i = 0; i < Ranges.size(); ++i) {
        if (i == shown)
            return out + ", ...";
        if (i > 0)
            out += ", ";
        out += std::to_string(Ranges[i].first);
        if (Ranges[i].second > Ranges[i].first)
            out += "-" + std::to_string(Ranges[i].second);
    }
    return out;
}

TPointLines TPointLines::readLinesApart(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 2);
    std::vector<std::pair<int, int>> utf8Lines, cp949Lines;
    int utf8Count = 0, cp949Count = 0;
    TLineCursor cursor(bytes);
    for (std::string_view line; cursor.Next(line);) {
        if (Cp949::IsAscii(line)) {
            text += line;
        } else if (Cp949::IsValidUtf8(line) && !Cp949::ReadsAsCp949(line)) {
            text += cursor.Number() == 1 && line.substr(0, 3) == kUtf8Bom ? line.substr(3) : line;
            addLine(utf8Lines, cursor.Number());
            ++utf8Count;
        } else {
            text += Cp949::ToUtf8(line);
            addLine(cp949Lines, cursor.Number());
            ++cp949Count;
        }
        const size_t end = static_cast<size_t>(line.data() - bytes.data()) + line.size();
        text += bytes.substr(end, cursor.Position() - end);
    }
    TPointLines lines(std::move(text), TLineEncoding::Utf8);
    const bool listUtf8 = utf8Count <= cp949Count;
    lines.m_mix.Listed = listUtf8 ? TLineEncoding::Utf8 : TLineEncoding::Cp949;
    lines.m_mix.Count = listUtf8 ? utf8Count : cp949Count;
    lines.m_mix.Ranges = std::move(listUtf8 ? utf8Lines : cp949Lines);
    return lines;
}

TPointLines TPointLines::FromFileBytes(std::string bytes) {
    if (Cp949::IsAscii(bytes))
        return TPointLines(std::move(bytes), TLineEncoding::Cp949);
    if (!Cp949::IsValidUtf8(bytes)) {
        if (hasUtf8KoreanLine(bytes))
            return readLinesApart(bytes);
        return TPointLines(std::move(bytes), TLineEncoding::Cp949);
    }
    // A byte-order mark settles it; otherwise the reading that makes sense wins, since some
    // 345 CP949 syllables (창, 책, 째, ...) are also valid UTF-8.
    if (std::string_view(bytes).substr(0, 3) == kUtf8Bom) {
        bytes.erase(0, 3);
        return TPointLines(std::move(bytes), TLineEncoding::Utf8);
    }
    if (Cp949::ReadsAsCp949(bytes))
        return TPointLines(std::move(bytes), TLineEncoding::Cp949);
    return TPointLines(std::move(bytes), TLineEncoding::Utf8);
}

int TPointLines::DropUnendedLastLine() {
    if (m_text.empty() || m_text.back() == '\r' || m_text.back() == '\n')
        return 0;
    int number = 0;
    Cursor lines = Lines();
    for (std::string_view line; lines.Next(line);)
        number = lines.Number();
    const size_t end = m_text.find_last_of("\r\n");
    m_text.resize(end == std::string::npos ? 0 : end + 1);
    return number;
}

TPointLines TPointLines::LoadFile(const std::string& path) {
    return FromFileBytes(readWholeFile(path));
}

void CheckJobFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw EFileError("Cannot open file", path, errno);
    checkJobFile(st, path);
}

TPointLines TPointLines::FromUtf8(std::string text) {
    return TPointLines(std::move(text), TLineEncoding::Utf8);
}

TPointLines TPointLines::FromUtf8Lines(const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const std::string& l : lines)
        size += l.size() + 1;
    std::string text;
    text.reserve(size);
    for (const std::string& l : lines) {
        text += l;
        text += '\n';
    }
    return FromUtf8(std::move(text));
}

void TPointImporter::Append(const TPointRecord& record) {
    auto point = std::make_unique<TPoint3D>(record.X, record.Y, record.Z, record.ID());
    TPoint3D* p = point.get();
    if (m_sink)
        m_sink->AppendPointRow(record.Cells, p);
    int index = -1;
    if (TNCADItem* item = m_project.FindItemByCode(record.Code(), index)) {
        item->AddPoint(std::move(point));
    } else {
        auto group = std::make_unique<TNCADItem>();
        group->SetCode(record.Code());
        group->AddPoint(std::move(point));
        m_project.AddItem(std::move(group));
    }
    ++m_count;
}

int ImportPointLines(const TPointLines& lines, TNCADProject& project, TPointRowSink* sink,
                     const TImportProgress* progress, TDataEnd* end) {
    if (end)
        *end = {};
    TPointLineReader reader(lines.Encoding());
    TPointImporter importer(project, sink);
    TPointRecord record;
    auto cursor = lines.Lines();
    const size_t total = lines.Text().size();
    std::string_view line;
    int lineNo = 0;
    const size_t every = progress ? std::max<size_t>(progress->LinesBetweenReports, 1) : 0;
    size_t untilReport = every;
    while (cursor.Next(line)) {
        ++lineNo;
        try {
            if (!reader.Read(line, record)) {
                if (end) {
                    int unread = 0;
                    while (cursor.Next(line))
                        unread += !IsBlankLine(line);
                    if (unread > 0)
                        *end = {lineNo, unread};
                }
                break;
            }
        } catch (const EListIndexError& e) {
            throw EPointLineError(e.what(), lineNo);
        } catch (const EConvertError& e) {
            throw EPointLineError(e.what(), lineNo);
        }
        importer.Append(record);
        if (progress && progress->Report && --untilReport == 0) {
            progress->Report(cursor.Position(), total);
            untilReport = every;
        }
    }
    return importer.Count();
}

// libFuzzer target for the point-line splitter and the record rules: any bytes, read as a
// point file, must import without crashing, hanging or growing without bound, and the
// results must keep the invariants below.
#include "io/PointImport.h"
#include "io/PointLine.h"
#include "io/PointWrite.h"
#include "model/NCADProject.h"
#include "text/Cp949.h"
#include "text/FieldText.h"
#include "text/NumText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct CountingSink : TPointRowSink {
    int rows = 0;
    void AppendPointRow(const std::string (&cells)[5], TPoint3D* point) override {
        ++rows;
        if (!point)
            std::abort();
        for (char c : cells[4])
            if (c >= 'a' && c <= 'z')
                std::abort(); // codes must come out upper-cased
    }
};

void checkSplit(std::string_view line) {
    std::vector<std::string> fields;
    const int n = SplitPointFields(line, fields);
    size_t total = 0;
    for (int i = 0; i < n; ++i)
        total += fields[static_cast<size_t>(i)].size();
    // Fields are made of the line's own bytes; there is never more text than came in,
    // and never more fields than one per byte plus the trailing-comma field.
    if (total > line.size() || static_cast<size_t>(n) > line.size() + 1)
        std::abort();
    std::vector<std::string> capped;
    const int m = SplitPointFields(line, capped, 5);
    if (m != (n < 5 ? n : 5))
        std::abort();
    for (int i = 0; i < m; ++i)
        if (capped[static_cast<size_t>(i)] != fields[static_cast<size_t>(i)])
            std::abort();
}

// What the writer makes of an imported project reads back as the same groups and points,
// and writing that again gives the same bytes. (Bytes, not texts: upper-casing a code can
// turn an invalid CP949 lead byte and the letter after it into a valid character.)
// Only for CP949 input: UTF-8 text may hold characters CP949 has no code for, and a CP949
// text that happens to be valid UTF-8 is taken for UTF-8 (as on any Linux desktop).
void checkRoundTrip(const TNCADProject& project) {
    const std::string saved = FormatPointFile(project);
    const TPointLines again = TPointLines::FromFileBytes(saved);
    if (again.Encoding() == TLineEncoding::Utf8 && !Cp949::IsAscii(saved))
        return;
    TNCADProject copy;
    ImportPointLines(again, copy, nullptr); // must not throw
    if (copy.Count() != project.Count())
        std::abort();
    for (int g = 0; g < project.Count(); ++g)
        if (copy.GetItem(g)->PointCount() != project.GetItem(g)->PointCount())
            std::abort();
    if (FormatPointFile(copy) != saved)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const TPointLines asText = TPointLines::FromUtf8(bytes);
    auto cursor = asText.Lines();
    std::string_view line;
    while (cursor.Next(line))
        checkSplit(line);

    TNCADProject project;
    CountingSink sink;
    int added = 0;
    const TPointLines lines = TPointLines::FromFileBytes(bytes);
    try {
        added = ImportPointLines(lines, project, &sink);
    } catch (const EPointLineError& e) {
        if (e.Line() < 1)
            std::abort();
    }
    if (project.TotalPointCount() != sink.rows || (added && added != sink.rows))
        std::abort();
    if (lines.Encoding() == TLineEncoding::Cp949)
        checkRoundTrip(project);
    return 0;
}

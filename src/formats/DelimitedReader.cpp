#include "formats/DelimitedReader.h"

#include "formats/FieldText.h"
#include "formats/SurveyRecord.h"

#include <vector>

namespace {

void splitLine(std::string_view line, std::vector<std::string_view>& fields) {
    for (char separator : {',', '\t', ';'}) {
        if (line.find(separator) != std::string_view::npos) {
            SplitFields(line, separator, fields);
            return;
        }
    }
    fields.clear();
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const size_t b = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > b)
            fields.push_back(line.substr(b, i - b));
    }
}

std::string_view unquoted(std::string_view f) {
    if (f.size() >= 2 && f.front() == '"' && f.back() == '"')
        return f.substr(1, f.size() - 2);
    return f;
}

// Column titles: no coordinate column holds a number. A first line of data with one bad
// number is no header and is reported as any other line.
bool isHeader(const std::vector<std::string_view>& fields, std::string_view order) {
    double v = 0.0;
    for (size_t i = 0; i < order.size() && i < fields.size(); ++i)
        if ((order[i] == 'N' || order[i] == 'E' || order[i] == 'Z') && ParseNumber(unquoted(fields[i]), v))
            return false;
    return true;
}

} // namespace

bool IsColumnOrder(std::string_view order) {
    int count[256] = {};
    for (char c : order) {
        if (std::string_view("PNEZD-").find(c) == std::string_view::npos)
            return false;
        ++count[static_cast<unsigned char>(c)];
    }
    return count['P'] == 1 && count['N'] == 1 && count['E'] == 1 && count['Z'] <= 1 && count['D'] <= 1;
}

void ReadDelimited(std::string_view bytes, std::string_view order, TRecordSink& sink) {
    TLineCursor lines(bytes);
    TSurveyRecord r;
    std::vector<std::string_view> fields;
    std::string_view line;
    bool first = true;
    while (lines.Next(line)) {
        if (IsBlankLine(line))
            continue;
        splitLine(TrimField(line), fields);
        const bool header = first && isHeader(fields, order);
        first = false;
        if (header)
            continue;
        if (fields.size() < order.size()) {
            // The columns after the last needed one may be left out.
            size_t needed = order.size();
            while (needed > 0 && (order[needed - 1] == 'Z' || order[needed - 1] == 'D' || order[needed - 1] == '-'))
                --needed;
            if (fields.size() < needed) {
                sink.Problem(lines.Number(),
                             "needs " + std::to_string(needed) + " fields, has " + std::to_string(fields.size()));
                continue;
            }
        }
        r.Reset(TRecordKind::Point, lines.Number());
        r.HasCoordinates = true;
        bool ok = true;
        for (size_t i = 0; i < order.size() && ok; ++i) {
            const std::string_view f = i < fields.size() ? unquoted(fields[i]) : std::string_view();
            double v = 0.0;
            switch (order[i]) {
            case 'P':
                r.Id.assign(f);
                break;
            case 'D':
                r.Code.assign(f);
                break;
            case 'N':
            case 'E':
            case 'Z':
                if (order[i] == 'Z' && TrimField(f).empty())
                    break;
                if (!ParseNumber(f, v)) {
                    sink.Problem(lines.Number(), NotANumber(f));
                    ok = false;
                    break;
                }
                (order[i] == 'N' ? r.N : order[i] == 'E' ? r.E : r.H.emplace()) = v;
                break;
            default:
                break;
            }
        }
        if (ok)
            sink.Record(r);
    }
}

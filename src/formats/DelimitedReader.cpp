#include "formats/DelimitedReader.h"

#include "formats/FieldValue.h"
#include "formats/SurveyRecord.h"
#include "text/FieldText.h"
#include "text/LineCursor.h"
#include "text/NumText.h"

#include <vector>

namespace {

// Where the field that starts at `from` ends: at the next `separator`, or after the
// closing quote of a field in double quotes ("" inside stands for one quote).
size_t fieldEnd(std::string_view line, size_t from, char separator) {
    size_t i = from;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t') && line[i] != separator)
        ++i;
    if (i < line.size() && line[i] == '"') {
        for (++i; i < line.size(); ++i) {
            if (line[i] != '"')
                continue;
            if (i + 1 < line.size() && line[i + 1] == '"')
                ++i;
            else
                break;
        }
    } else {
        i = from;
    }
    return line.find(separator, i);
}

// True when `separator` stands outside quotes somewhere in the line.
bool separates(std::string_view line, char separator) {
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == separator && !quoted)
            return true;
    }
    return false;
}

// Quotes let a code hold the separator ("FENCE, WOOD"): only separators outside them count,
// in the choice of the separator as in the split.
void splitAt(std::string_view line, char separator, std::vector<std::string_view>& fields) {
    fields.clear();
    size_t start = 0;
    for (;;) {
        const size_t end = fieldEnd(line, start, separator);
        if (end == std::string_view::npos) {
            fields.push_back(TrimField(line.substr(start)));
            return;
        }
        fields.push_back(TrimField(line.substr(start, end - start)));
        start = end + 1;
    }
}

void splitLine(std::string_view line, std::vector<std::string_view>& fields) {
    for (char separator : {',', '\t', ';'}) {
        if (separates(line, separator)) {
            splitAt(line, separator, fields);
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

// A text field as the file means it: without its quotes, "" as one quote.
void assignText(std::string& out, std::string_view field) {
    const bool quoted = field.size() >= 2 && field.front() == '"' && field.back() == '"';
    field = unquoted(field);
    out.assign(field);
    if (!quoted)
        return;
    for (size_t at = out.find("\"\""); at != std::string::npos; at = out.find("\"\"", at + 1))
        out.erase(at, 1);
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
                sink.Problem(lines.Number(), Say("needs %1 fields, has %2", needed, fields.size()));
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
                assignText(r.Id, i < fields.size() ? fields[i] : std::string_view());
                break;
            case 'D':
                assignText(r.Code, i < fields.size() ? fields[i] : std::string_view());
                break;
            case 'N':
            case 'E':
            case 'Z':
                if (order[i] == 'Z' && TrimField(f).empty())
                    break;
                if (!ParseNumber(f, v)) {
                    sink.Problem(lines.Number(), NotANumberReason(f));
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

#include "io/PointWrite.h"

#include "io/SafeFile.h"
#include "model/NCADProject.h"
#include "text/Cp949.h"
#include "text/FieldText.h"
#include "text/NumText.h"

namespace {

// A text the reader would split or unquote is written in quotes, quotes doubled; all
// others stay bare, as every other program reading these files expects.
bool needsQuotes(const std::string& text) {
    if (!text.empty() && text[0] == '"')
        return true;
    for (char c : text)
        if (c == ',' || IsFieldSpace(c))
            return true;
    return false;
}

void appendBytes(std::string& out, const std::string& bytes, bool quoted) {
    if (!quoted) {
        out += bytes;
        return;
    }
    out += '"';
    for (char c : bytes) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// `line` and `id` say where the text stands, should CP949 not hold one of its characters.
// Quotes are chosen on the text, not on its bytes: a blank carried by a broken CP949 pair
// separates nothing on reading, so the field goes out bare, as it came in.
void appendField(std::string& out, const std::string& text, int line, const std::string& id) {
    const bool quoted = needsQuotes(text);
    if (Cp949::IsAscii(text)) {
        appendBytes(out, text, quoted);
        return;
    }
    try {
        appendBytes(out, Cp949::FromUtf8(text), quoted);
    } catch (const Cp949::EUnencodable& e) {
        throw e.At(std::to_string(line) + "번째 줄(측점 \"" + id + "\")",
                   "파일을 저장하지 않았습니다.");
    }
}

} // namespace

std::string FormatPointFile(const TNCADProject& project) {
    std::string out;
    out.reserve(static_cast<size_t>(project.TotalPointCount()) * 48);
    std::string code;
    int line = 0;
    for (const auto& item : project) {
        code.clear();
        if (item->Points.Count() > 0)
            appendField(code, item->Code(), line + 1, item->Points.Get(0)->ID);
        for (const auto& p : item->Points) {
            appendField(out, p->ID, ++line, p->ID);
            out += ", ";
            AppendFixed4(out, p->X);
            out += ", ";
            AppendFixed4(out, p->Y);
            out += ", ";
            AppendFixed4(out, p->Z);
            // With an empty code a trailing ", " would read back as four fields (Z taken
            // for the code); a bare final comma reads back as an empty fifth field.
            if (code.empty())
                out += ",";
            else {
                out += ", ";
                out += code;
            }
            out += "\r\n";
        }
    }
    return out;
}

void SavePointFile(const TNCADProject& project, const std::string& path,
                   TFileSystemCalls* calls) {
    ReplaceFileContents(path, FormatPointFile(project), calls);
}

#include "io/PointLine.h"

#include "text/Cp949.h"
#include "text/NumText.h"

namespace {

// Blanks, tabs and every other control character but NUL separate fields.
inline bool isSeparator(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

bool isBlankText(std::string_view s) {
    for (char c : s)
        if (!isSeparator(c))
            return false;
    return true;
}

void upperAsciiInPlace(std::string& s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
}

} // namespace

int SplitPointFields(std::string_view line, std::vector<std::string>& fields, int maxFields) {
    const size_t len = line.size();
    int n = 0;
    auto next = [&]() -> std::string& {
        if (static_cast<size_t>(n) == fields.size())
            fields.emplace_back();
        std::string& f = fields[static_cast<size_t>(n++)];
        f.clear();
        return f;
    };

    size_t i = 0;
    while (i < len && isSeparator(line[i]))
        ++i;
    while (i < len && n < maxFields) {
        std::string& field = next();
        if (line[i] == '"') {
            // Quoted: runs to the next quote that is not doubled; "" stands for one quote.
            ++i;
            while (i < len) {
                const size_t q = line.find('"', i);
                if (q == std::string_view::npos) {
                    field.append(line.substr(i));
                    i = len;
                    break;
                }
                field.append(line.substr(i, q - i));
                if (q + 1 < len && line[q + 1] == '"') {
                    field += '"';
                    i = q + 2;
                } else {
                    i = q + 1;
                    break;
                }
            }
        } else {
            const size_t b = i;
            while (i < len && line[i] != ',' && !isSeparator(line[i]))
                ++i;
            field.assign(line.substr(b, i - b));
        }
        while (i < len && isSeparator(line[i]))
            ++i;
        if (i < len && line[i] == ',') {
            ++i;
            // A comma that ends the line still opens one more, empty, field.
            if (i == len && n < maxFields) {
                next();
                break;
            }
            while (i < len && isSeparator(line[i]))
                ++i;
        }
    }
    return n;
}

EListIndexError::EListIndexError(int index)
    : std::out_of_range("List index out of bounds (" + std::to_string(index) + ")") {}

void TPointLineReader::takeText(int field, std::string& out) {
    out.swap(m_fields[static_cast<size_t>(field)]);
}

bool TPointLineReader::Read(std::string_view line, TPointRecord& record) {
    // Decoded before splitting: a broken CP949 pair whose second byte is a blank is one
    // character, not a separator (Cp949::ToUtf8).
    if (m_encoding == TLineEncoding::Cp949 && !Cp949::IsAscii(line)) {
        m_decoded = Cp949::ToUtf8(line);
        line = m_decoded;
    }
    const int n = SplitPointFields(line, m_fields, 5);
    if (n == 0)
        return false;
    if (n < 4)
        throw EListIndexError(n);

    std::string* cells = record.Cells;
    takeText(0, cells[0]);
    takeText(1, cells[1]);
    takeText(2, cells[2]);
    const double x = StrToFloat(cells[1]);
    const double y = StrToFloat(cells[2]);
    double z = 0.0;
    if (n == 4) {
        cells[3] = "0.00";
        takeText(3, cells[4]);
    } else {
        takeText(3, cells[3]);
        if (cells[3].empty())
            cells[3] = "0";
        else if (!isBlankText(cells[3]))
            z = StrToFloat(cells[3]);
        takeText(4, cells[4]);
    }
    // Upper-case decoded text: CP949 trail bytes include the ASCII letters.
    upperAsciiInPlace(cells[4]);
    record.X = x;
    record.Y = y;
    record.Z = z;
    return true;
}

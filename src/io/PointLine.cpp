#include "io/PointLine.h"

#include "text/Cp949.h"
#include "text/FieldText.h"
#include "text/NumText.h"

namespace {

void upperAsciiInPlace(std::string& s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
}

} // namespace

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
        else if (!TrimField(cells[3]).empty())
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

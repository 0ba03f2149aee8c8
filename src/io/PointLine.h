#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// One line of a point text file, split by SplitPointFields (text/FieldText.h), as a record.

// A line that has one to three fields: "List index out of bounds (n)", n being the index of
// the first missing field.
class EListIndexError : public std::out_of_range {
public:
    explicit EListIndexError(int index);
};

// How the bytes of the lines are encoded.
enum class TLineEncoding { Utf8, Cp949 };

// What a line yields: the five row texts the point table shows and the point's values.
struct TPointRecord {
    // ID, X, Y, Z, CODE in UTF-8. X, Y and Z keep the file's own text; the code is
    // upper-cased and is also the key of the point's code group.
    std::string Cells[5];
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;

    const std::string& ID() const { return Cells[0]; }
    const std::string& Code() const { return Cells[4]; }
};

// Turns lines into records. Keep one reader for a whole import: it reuses its buffers.
class TPointLineReader {
public:
    explicit TPointLineReader(TLineEncoding encoding = TLineEncoding::Utf8)
        : m_encoding(encoding) {}

    // False when the line has no field at all, which ends the data. Throws EListIndexError
    // for one to three fields and EConvertError for a number field that is not a number;
    // `record` then holds partial values.
    bool Read(std::string_view line, TPointRecord& record);

private:
    void takeText(int field, std::string& out);

    TLineEncoding m_encoding;
    std::string m_decoded;
    std::vector<std::string> m_fields;
};

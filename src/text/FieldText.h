#pragma once

#include <string>
#include <string_view>
#include <vector>

// Small text helpers the instrument readers share. Everything works on views into the
// file's bytes; nothing here allocates per line.

// Lines of a file: a line ends at CR LF, a lone CR or a lone LF; a last line without a
// line end counts as well.
class TLineCursor {
public:
    explicit TLineCursor(std::string_view text) : m_text(text) {}
    bool Next(std::string_view& line);
    // 1-based number of the line Next() returned last.
    int Number() const { return m_number; }
    // Bytes consumed so far, the last line's end included.
    size_t Position() const { return m_pos; }

private:
    std::string_view m_text;
    size_t m_pos = 0;
    int m_number = 0;
};

// Hands every line of `bytes` to reader.Line(line, number).
template <class TReader>
void ReadLines(std::string_view bytes, TReader& reader) {
    TLineCursor lines(bytes);
    std::string_view line;
    while (lines.Next(line))
        reader.Line(line, lines.Number());
}

// Without blanks, tabs and other control characters at either end.
std::string_view TrimField(std::string_view text);

// True when the line holds nothing but blanks and control characters.
bool IsBlankLine(std::string_view line);

// Splits at `separator`; each field trimmed. `fields` is reused from line to line.
void SplitFields(std::string_view line, char separator, std::vector<std::string_view>& fields);

// A number as the point files read it (locale-free; "nan", "inf" and hex refused).
// Blanks around it are allowed; an empty field is not a number.
bool ParseNumber(std::string_view text, double& value);

// The reason a number field is refused: "'x' is not a valid floating point value".
std::string NotANumber(std::string_view text);

// Instruments pad point ids with zeros ("0000MK27"); this drops them, keeping one character.
std::string_view StripLeadingZeros(std::string_view text);

bool StartsWith(std::string_view text, std::string_view prefix);
// ASCII letters compared without case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

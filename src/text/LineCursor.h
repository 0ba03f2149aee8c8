#pragma once

#include <cstddef>
#include <string_view>

// Lines of a text: a line ends at CR LF, a lone CR or a lone LF; a last line without a line
// end counts as well. The lines are views into the text, which must outlive the cursor.
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

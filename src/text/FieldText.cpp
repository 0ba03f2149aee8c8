#include "text/FieldText.h"

#include "text/NumText.h"

#include <cstring>

bool TLineCursor::Next(std::string_view& line) {
    if (m_pos >= m_text.size())
        return false;
    // memchr twice beats find_first_of, which calls memchr on the needle for every byte.
    const char* base = m_text.data();
    const void* lf = std::memchr(base + m_pos, '\n', m_text.size() - m_pos);
    size_t stop = lf ? static_cast<size_t>(static_cast<const char*>(lf) - base) : m_text.size();
    if (const void* cr = std::memchr(base + m_pos, '\r', stop - m_pos))
        stop = static_cast<size_t>(static_cast<const char*>(cr) - base);
    line = m_text.substr(m_pos, stop - m_pos);
    m_pos = stop;
    if (m_pos < m_text.size())
        m_pos += (m_text[m_pos] == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n') ? 2 : 1;
    ++m_number;
    return true;
}

namespace {
inline bool isSpace(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}
} // namespace

std::string_view TrimField(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && isSpace(text[b]))
        ++b;
    while (e > b && isSpace(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

bool IsBlankLine(std::string_view line) {
    for (char c : line)
        if (!isSpace(c))
            return false;
    return true;
}

void SplitFields(std::string_view line, char separator, std::vector<std::string_view>& fields) {
    fields.clear();
    size_t start = 0;
    for (;;) {
        const size_t at = line.find(separator, start);
        if (at == std::string_view::npos) {
            fields.push_back(TrimField(line.substr(start)));
            return;
        }
        fields.push_back(TrimField(line.substr(start, at - start)));
        start = at + 1;
    }
}

bool ParseNumber(std::string_view text, double& value) {
    return TryStrToFloat(TrimField(text), value);
}

std::string NotANumber(std::string_view text) { return NotAFloat(TrimField(text)).what(); }

std::string_view StripLeadingZeros(std::string_view text) {
    size_t i = 0;
    while (i + 1 < text.size() && text[i] == '0')
        ++i;
    return text.substr(i);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i], b = prefix[i];
        if (a >= 'a' && a <= 'z')
            a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z')
            b = static_cast<char>(b - 'a' + 'A');
        if (a != b)
            return false;
    }
    return true;
}

#include "text/LineCursor.h"

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

#include "view/PointSymbol.h"

#include <charconv>

std::string_view THeightText::operator()(double z) {
    const auto res = std::to_chars(m_text, m_text + sizeof m_text, z, std::chars_format::fixed, 4);
    if (res.ec != std::errc())
        return {};
    return std::string_view(m_text, static_cast<size_t>(res.ptr - m_text));
}

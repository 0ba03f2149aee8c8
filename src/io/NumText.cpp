#include "io/NumText.h"

#include <charconv>

void AppendFixed4(std::string& out, double value) {
    char buf[400]; // the widest double in fixed form is about 310 digits
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 4);
    out.append(buf, r.ptr);
}

std::string FormatFixed4(double value) {
    std::string s;
    AppendFixed4(s, value);
    return s;
}

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
} // namespace

bool TryStrToFloat(std::string_view text, double& value) {
    size_t b = 0, e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    std::string_view s = text.substr(b, e - b);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    // Check the whole shape first: from_chars alone would accept "inf", "nan" and hex.
    size_t i = 0, digits = 0;
    while (i < s.size() && isDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        size_t expDigits = 0;
        while (i < s.size() && isDigit(s[i]))
            ++i, ++expDigits;
        if (expDigits == 0)
            return false;
    }
    if (i != s.size())
        return false;
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    // Out of range (1e400, 1e-400) is no number a double holds: refuse it rather than guess.
    if (r.ec != std::errc() || r.ptr != s.data() + s.size())
        return false;
    value = negative ? -v : v;
    return true;
}

EConvertError NotAFloat(std::string_view text) {
    return EConvertError("'" + std::string(text) + "' is not a valid floating point value");
}

double StrToFloat(std::string_view text) {
    double v = 0;
    if (!TryStrToFloat(text, v))
        throw NotAFloat(text);
    return v;
}

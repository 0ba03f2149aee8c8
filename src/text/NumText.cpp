#include "text/NumText.h"

#include "text/FieldText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

void AppendFixed4(std::string& out, double value) {
    // Fast path for coordinates: value * 10^4 needs 53 + 10 significant bits (10^4 is
    // 2^4 * 625), so in the 64-bit mantissa of long double it is exact and the rounding
    // below is the same as that of the exact decimal value.
    if (std::fabs(value) < 1e14) {
        const long double w = std::fabs(static_cast<long double>(value)) * 10000.0L;
        auto n = static_cast<unsigned long long>(w);
        const long double frac = w - static_cast<long double>(n);
        if (frac > 0.5L || (frac == 0.5L && (n & 1)))
            ++n;
        char buf[32];
        char* p = buf;
        // A value that rounds to zero is zero: "-0.0000" would tell of a sign that no
        // coordinate has.
        if (std::signbit(value) && n != 0)
            *p++ = '-';
        p = std::to_chars(p, buf + sizeof buf, n / 10000).ptr;
        unsigned f = static_cast<unsigned>(n % 10000);
        p[0] = '.';
        p[4] = static_cast<char>('0' + f % 10);
        p[3] = static_cast<char>('0' + (f /= 10) % 10);
        p[2] = static_cast<char>('0' + (f /= 10) % 10);
        p[1] = static_cast<char>('0' + f / 10);
        out.append(buf, p + 5);
        return;
    }
    char buf[400]; // the widest double in fixed form is about 310 digits
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 4);
    out.append(buf, r.ptr);
}

std::string FormatFixed4(double value) {
    std::string s;
    AppendFixed4(s, value);
    return s;
}

std::string FormatFixed(double value, int decimals) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                                 std::clamp(decimals, 0, 17));
    const std::string_view text(buf, static_cast<size_t>(r.ptr - buf));
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string_view::npos)
        return std::string(text.substr(1));
    return std::string(text);
}

std::string FormatRounded(double value, int decimals) {
    decimals = std::clamp(decimals, 0, 17);
    if (!std::isfinite(value))
        return FormatFixed(value, decimals);
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    const std::string_view text(buf, static_cast<size_t>(r.ptr - buf));
    const size_t point = text.find('.');
    std::string digits(text.substr(0, point)); // whole part, then the kept decimals
    const std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
    for (int i = 0; i < decimals; ++i)
        digits += static_cast<size_t>(i) < fraction.size() ? fraction[static_cast<size_t>(i)] : '0';
    if (fraction.size() > static_cast<size_t>(decimals) && fraction[static_cast<size_t>(decimals)] >= '5') {
        size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9')
            digits[--i] = '0';
        if (i == 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[i - 1];
    }
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    std::string out = std::signbit(value) && !zero ? "-" : "";
    out.append(digits, 0, digits.size() - static_cast<size_t>(decimals));
    if (decimals > 0)
        out.append(".").append(digits, digits.size() - static_cast<size_t>(decimals));
    return out;
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

bool ParseNumber(std::string_view field, double& value) {
    return TryStrToFloat(TrimField(field), value);
}

std::string NotANumber(std::string_view field) { return NotAFloat(TrimField(field)).what(); }

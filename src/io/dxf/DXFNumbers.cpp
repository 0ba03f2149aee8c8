#include "io/dxf/DXFNumbers.h"

#include "text/NumText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

namespace DxfNumbers {

namespace {

constexpr int kDigits = 15;

// |value| rounded to 15 significant digits, half away from zero, and the decimal exponent of
// the first digit.
struct Rounded {
    char digits[kDigits];
    int exp10 = 0;
};

int parseExponent(const char* e, const char* end) {
    // e points at 'e'; then a sign and two or three digits.
    const bool negative = e[1] == '-';
    int v = 0;
    for (const char* p = e + 2; p < end; ++p)
        v = v * 10 + (*p - '0');
    return negative ? -v : v;
}

Rounded round15(double magnitude) {
    Rounded out;
    char buf[40];
    // Fast path: when the shortest text that reads back as this double has at most 15
    // digits, it is the rounded value. The double is within half a unit in the last place of
    // that text, which for normal numbers (relative 1.2e-16) is less than half a unit of the
    // 15th digit (relative 5e-16 at least), so rounding cannot go elsewhere or tie.
    if (magnitude >= std::numeric_limits<double>::min()) {
        const auto r = std::to_chars(buf, buf + sizeof buf, magnitude,
                                     std::chars_format::scientific);
        // "d.ddde+XX" with at most 17 digits.
        const char* e = buf;
        while (*e != 'e')
            ++e;
        const int n = static_cast<int>(e - buf) - (e - buf > 1 ? 1 : 0);
        if (n <= kDigits) {
            out.digits[0] = buf[0];
            for (int i = 1; i < kDigits; ++i)
                out.digits[i] = i < n ? buf[i + 1] : '0';
            out.exp10 = parseExponent(e, r.ptr);
            return out;
        }
    }

    // 17 significant digits decide the rounding unless they end in "50": then the exact value
    // may lie on the halfway point, just above it or just below it.
    const auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific,
                                 16);
    char d17[17];
    d17[0] = buf[0];
    for (int i = 1; i < 17; ++i)
        d17[i] = buf[i + 1];
    out.exp10 = parseExponent(buf + 18, r.ptr);

    bool up = d17[15] >= '5';
    if (d17[15] == '5' && d17[16] == '0') {
        // The exact expansion of a double has at most 767 significant digits; 781 show all of
        // them, so the 16th digit read here is the true one and a tie rounds up.
        char exact[800];
        std::to_chars(exact, exact + sizeof exact, magnitude, std::chars_format::scientific, 780);
        up = exact[16] >= '5';
    }
    for (int i = 0; i < kDigits; ++i)
        out.digits[i] = d17[i];
    if (up) {
        int i = kDigits - 1;
        while (i >= 0 && out.digits[i] == '9')
            out.digits[i--] = '0';
        if (i >= 0) {
            ++out.digits[i];
        } else {
            out.digits[0] = '1';
            ++out.exp10;
        }
    }
    return out;
}

char* writeNonFinite(char* out, double value) {
    const std::string_view text = std::isnan(value) ? "NAN" : value < 0 ? "-INF" : "INF";
    return std::copy(text.begin(), text.end(), out);
}

} // namespace

void AppendInteger(std::string& out, long long value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

void AppendFixed(std::string& out, double value) { AppendFixed4(out, value); }

char* WriteScientific(char* out, double value) {
    if (!std::isfinite(value))
        return writeNonFinite(out, value);
    if (value == 0) {
        std::memcpy(out, " 0.00000000000000E+0000", kScientificSize);
        return out + kScientificSize;
    }
    const Rounded r = round15(std::fabs(value));
    out[0] = value < 0 ? '-' : ' ';
    out[1] = r.digits[0];
    out[2] = '.';
    std::memcpy(out + 3, r.digits + 1, kDigits - 1);
    out[17] = 'E';
    out[18] = r.exp10 < 0 ? '-' : '+';
    unsigned e = static_cast<unsigned>(r.exp10 < 0 ? -r.exp10 : r.exp10);
    for (int i = 22; i >= 19; --i, e /= 10)
        out[i] = static_cast<char>('0' + e % 10);
    return out + kScientificSize;
}

void AppendScientific(std::string& out, double value) {
    char buf[kScientificSize];
    out.append(buf, WriteScientific(buf, value));
}

std::string Scientific(double value) {
    std::string s;
    AppendScientific(s, value);
    return s;
}

char* WriteGeneral(char* out, double value) {
    if (!std::isfinite(value))
        return writeNonFinite(out, value);
    if (value == 0) {
        *out++ = '0';
        return out;
    }
    const Rounded r = round15(std::fabs(value));
    int n = kDigits;
    while (n > 1 && r.digits[n - 1] == '0')
        --n;
    const int e = r.exp10;
    if (value < 0)
        *out++ = '-';
    if (e >= kDigits || e < -4) {
        *out++ = r.digits[0];
        if (n > 1) {
            *out++ = '.';
            out = std::copy(r.digits + 1, r.digits + n, out);
        }
        *out++ = 'E';
        if (e < 0)
            *out++ = '-';
        return std::to_chars(out, out + 4, e < 0 ? -e : e).ptr;
    }
    if (e >= 0) {
        const int intDigits = e + 1;
        for (int i = 0; i < intDigits; ++i)
            *out++ = i < n ? r.digits[i] : '0';
        if (n > intDigits) {
            *out++ = '.';
            out = std::copy(r.digits + intDigits, r.digits + n, out);
        }
        return out;
    }
    *out++ = '0';
    *out++ = '.';
    out = std::fill_n(out, -e - 1, '0');
    return std::copy(r.digits, r.digits + n, out);
}

void AppendGeneral(std::string& out, double value) {
    char buf[kMaxGeneralSize];
    out.append(buf, WriteGeneral(buf, value));
}

std::string General(double value) {
    std::string s;
    AppendGeneral(s, value);
    return s;
}

} // namespace DxfNumbers

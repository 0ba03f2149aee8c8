#include "io/DXFNumbers.h"

#include "io/NumText.h"

#include <charconv>
#include <cmath>

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
    // 17 significant digits decide the rounding unless they end in "50": then the exact value
    // may lie on the halfway point, just above it or just below it.
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific,
                                 16);
    char d17[17];
    d17[0] = buf[0];
    for (int i = 1; i < 17; ++i)
        d17[i] = buf[i + 1];
    Rounded out;
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

// "INF", "-INF", "NAN"; true when `value` was not finite.
bool appendNonFinite(std::string& out, double value) {
    if (std::isfinite(value))
        return false;
    if (std::isnan(value))
        out += "NAN";
    else
        out += value < 0 ? "-INF" : "INF";
    return true;
}

void appendUnsigned(std::string& out, unsigned v, int minWidth) {
    char buf[12];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    for (int n = static_cast<int>(r.ptr - buf); n < minWidth; ++n)
        out += '0';
    out.append(buf, r.ptr);
}

} // namespace

void AppendInteger(std::string& out, long long value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

void AppendFixed(std::string& out, double value) { AppendFixed4(out, value); }

void AppendScientific(std::string& out, double value) {
    if (appendNonFinite(out, value))
        return;
    if (value == 0) {
        out += " 0.00000000000000E+0000";
        return;
    }
    const Rounded r = round15(std::fabs(value));
    char text[23];
    text[0] = value < 0 ? '-' : ' ';
    text[1] = r.digits[0];
    text[2] = '.';
    for (int i = 1; i < kDigits; ++i)
        text[i + 2] = r.digits[i];
    text[17] = 'E';
    text[18] = r.exp10 < 0 ? '-' : '+';
    unsigned e = static_cast<unsigned>(r.exp10 < 0 ? -r.exp10 : r.exp10);
    for (int i = 22; i >= 19; --i, e /= 10)
        text[i] = static_cast<char>('0' + e % 10);
    out.append(text, sizeof text);
}

std::string Scientific(double value) {
    std::string s;
    AppendScientific(s, value);
    return s;
}

void AppendGeneral(std::string& out, double value) {
    if (appendNonFinite(out, value))
        return;
    if (value == 0) {
        out += '0';
        return;
    }
    const Rounded r = round15(std::fabs(value));
    int n = kDigits;
    while (n > 1 && r.digits[n - 1] == '0')
        --n;
    const int e = r.exp10;
    if (value < 0)
        out += '-';
    if (e >= kDigits || e < -4) {
        out += r.digits[0];
        if (n > 1) {
            out += '.';
            out.append(r.digits + 1, static_cast<size_t>(n - 1));
        }
        out += 'E';
        if (e < 0)
            out += '-';
        appendUnsigned(out, static_cast<unsigned>(e < 0 ? -e : e), 1);
    } else if (e >= 0) {
        const int intDigits = e + 1;
        for (int i = 0; i < intDigits; ++i)
            out += i < n ? r.digits[i] : '0';
        if (n > intDigits) {
            out += '.';
            out.append(r.digits + intDigits, static_cast<size_t>(n - intDigits));
        }
    } else {
        out += "0.";
        out.append(static_cast<size_t>(-e - 1), '0');
        out.append(r.digits, static_cast<size_t>(n));
    }
}

std::string General(double value) {
    std::string s;
    AppendGeneral(s, value);
    return s;
}

} // namespace DxfNumbers

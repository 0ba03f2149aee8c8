#include "text/Cp949.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace Cp949 {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " +
                                     to);
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much of [in, in+len) as possible, appending to `out`. Returns the number of
    // bytes consumed; stops at the first invalid or incomplete sequence.
    size_t Run(const char* in, size_t len, std::string& out, int& err) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in);
        size_t left = len;
        err = 0;
        char buf[4096];
        while (left > 0) {
            char* dst = buf;
            size_t room = sizeof buf;
            const size_t r = iconv(m_cd, &src, &left, &dst, &room);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (r == static_cast<size_t>(-1)) {
                if (errno == E2BIG)
                    continue;
                err = errno;
                break;
            }
        }
        return len - left;
    }

private:
    iconv_t m_cd;
};

Converter& decoder() {
    thread_local Converter c("UTF-8", "CP949");
    return c;
}
Converter& encoder() {
    thread_local Converter c("CP949", "UTF-8");
    return c;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the well-formed UTF-8 character at `s`, or 0 when it is not one.
size_t utf8Length(std::string_view s, size_t i, char32_t* cp = nullptr) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = b(0);
    size_t n;
    char32_t v;
    if (c < 0x80) {
        if (cp)
            *cp = c;
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        v = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        v = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        v = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xC0) != 0x80)
            return 0;
        v = (v << 6) | (b(k) & 0x3F);
    }
    if ((n == 3 && (v < 0x800 || (v >= 0xD800 && v <= 0xDFFF))) || (n == 4 && (v < 0x10000 || v > 0x10FFFF)))
        return 0;
    if (cp)
        *cp = v;
    return n;
}

constexpr char32_t kRawBase = 0xF700;

bool isLeadByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x81 && u <= 0xFE;
}

// A lead byte takes the next byte with it, even one that cannot be its second byte. When
// that byte is a blank or a control character, it is carried as a private character too:
// read as a separator it would split the pair, and the field readers would drop what
// follows. Line ends still end the line.
bool isCarriedTrail(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 0x20 && c != '\r' && c != '\n';
}

bool isRawLead(char32_t cp) { return cp >= kRawBase + 0x81 && cp <= kRawBase + 0xFE; }
bool isRawTrail(char32_t cp) {
    return cp >= kRawBase + 1 && cp <= kRawBase + 0x20 && cp != kRawBase + '\r' &&
           cp != kRawBase + '\n';
}

size_t asciiRun(std::string_view s, size_t i) {
    size_t j = i;
    while (j < s.size() && static_cast<unsigned char>(s[j]) < 0x80)
        ++j;
    return j - i;
}

// Decodes `bytes`; when `keepTail` is set, an incomplete character at the very end is left
// undecoded and its length returned.
size_t decodeInto(std::string_view bytes, std::string& out, bool keepTail) {
    size_t i = 0;
    while (i < bytes.size()) {
        const size_t run = asciiRun(bytes, i);
        out.append(bytes.data() + i, run);
        i += run;
        if (i >= bytes.size())
            break;
        size_t j = i;
        while (j < bytes.size() && static_cast<unsigned char>(bytes[j]) >= 0x80)
            j += (j + 1 < bytes.size()) ? 2 : 1; // lead + trail; trail may be ASCII-range
        j = std::min(j, bytes.size());
        int err = 0;
        const size_t used = decoder().Run(bytes.data() + i, j - i, out, err);
        i += used;
        if (err == 0)
            continue;
        if (err == EINVAL && keepTail && i + 1 == bytes.size())
            return 1;
        appendUtf8(out, kRawBase + static_cast<unsigned char>(bytes[i]));
        ++i;
        if (i < bytes.size() && isLeadByte(bytes[i - 1]) && isCarriedTrail(bytes[i])) {
            appendUtf8(out, kRawBase + static_cast<unsigned char>(bytes[i]));
            ++i;
        }
    }
    return 0;
}

} // namespace

bool IsAscii(std::string_view text) { return asciiRun(text, 0) == text.size(); }

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t n = utf8Length(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    decodeInto(bytes, out, false);
    return out;
}

// Encodes into `out` up to the first character CP949 cannot hold; returns its offset, or
// npos when the whole text went.
size_t encodeInto(std::string_view text, std::string& out) {
    size_t i = 0;
    bool afterRawLead = false;
    while (i < text.size()) {
        const size_t run = asciiRun(text, i);
        out.append(text.data() + i, run);
        i += run;
        if (run > 0)
            afterRawLead = false;
        if (i >= text.size())
            break;
        char32_t cp = 0;
        const size_t n = utf8Length(text, i, &cp);
        if (n == 0) {
            // Not text we made; the byte goes out as it is rather than be lost.
            out += text[i];
            ++i;
            afterRawLead = false;
            continue;
        }
        // A carried blank or control character is ours only right after a raw lead byte.
        if ((cp >= kRawBase + 0x80 && cp <= kRawBase + 0xFF) || (afterRawLead && isRawTrail(cp))) {
            out += static_cast<char>(cp - kRawBase);
            i += n;
            afterRawLead = isRawLead(cp);
            continue;
        }
        afterRawLead = false;
        int err = 0;
        const size_t used = encoder().Run(text.data() + i, n, out, err);
        if (err != 0 || used != n)
            return i;
        i += n;
    }
    return std::string_view::npos;
}

std::string FromUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const size_t bad = encodeInto(text, out);
    if (bad != std::string_view::npos)
        throw EUnencodable(std::string(text.substr(bad, utf8Length(text, bad))));
    return out;
}

bool CanEncode(std::string_view text) {
    std::string out;
    return encodeInto(text, out) == std::string_view::npos;
}

EUnencodable::EUnencodable(std::string character, std::string where, std::string consequence)
    : std::runtime_error([&] {
          char32_t cp = 0;
          utf8Length(character, 0, &cp);
          char code[16];
          std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
          std::string text = where.empty() ? std::string() : where + ": ";
          text += "CP949로 쓸 수 없는 문자 \"" + character + "\"(" + code + ")";
          if (!consequence.empty())
              text += ". " + consequence;
          return text;
      }()),
      m_character(std::move(character)) {}

namespace {
bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// Hangul syllables and jamo, and the hanja (CJK ideographs, compatibility ideographs).
bool isKorean(char32_t cp) {
    return (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0x3131 && cp <= 0x318E) ||
           (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xF900 && cp <= 0xFAFF);
}
} // namespace

bool ReadsAsCp949(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = utf8Length(bytes, i);
        if (n == 0)
            return true; // not UTF-8 at all
        // Korean, hanja and most symbols take three bytes in UTF-8; CP949 text hardly ever
        // forms such a character (only a hanja followed by particular bytes could).
        if (n == 3)
            return false;
        i += n;
    }
    // Only one-, two- and four-byte characters are left, so the CP949 reading pairs the
    // same bytes: each two-byte character is one CP949 character, a four-byte one two.
    const std::string decoded = ToUtf8(bytes);
    long korean = 0, latin = 0;
    size_t d = 0;
    for (size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            ++d;
            continue;
        }
        char32_t cp = 0;
        const size_t n = d < decoded.size() ? utf8Length(decoded, d, &cp) : 0;
        if (n == 0)
            return false; // the readings fell out of step: no reason to prefer CP949
        d += n;
        if (cp >= kRawBase + 0x80 && cp <= kRawBase + 0xFF)
            return false; // bytes that are no CP949 character
        // Between two ASCII letters it is a Latin letter of a word ("Müller"), not Hangul.
        const bool inLatinWord = i > 0 && isAsciiLetter(bytes[i - 1]) && i + 2 < bytes.size() &&
                                 isAsciiLetter(bytes[i + 2]);
        latin += inLatinWord;
        korean += !inLatinWord && isKorean(cp);
        i += 2;
    }
    return korean > latin;
}

std::string Decoder::Feed(std::string_view bytes) {
    std::string out;
    if (!m_pending.empty()) {
        m_pending.append(bytes);
        const std::string joined = std::move(m_pending);
        m_pending.clear();
        const size_t tail = decodeInto(joined, out, true);
        if (tail)
            m_pending = joined.substr(joined.size() - tail);
        return out;
    }
    const size_t tail = decodeInto(bytes, out, true);
    if (tail)
        m_pending.assign(bytes.substr(bytes.size() - tail));
    return out;
}

std::string Decoder::Finish() {
    std::string out;
    decodeInto(m_pending, out, false);
    m_pending.clear();
    return out;
}

} // namespace Cp949

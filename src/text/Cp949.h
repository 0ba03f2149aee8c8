#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// Code page 949 <-> UTF-8 through glibc iconv (Qt's "CP949" is IBM's variant and decodes
// some Hangul wrongly). Text in memory is UTF-8; files, DXF and the serial line are CP949.
namespace Cp949 {

// Decodes CP949 bytes. A byte that is not part of a valid character becomes the private
// character U+F700 + byte, so that encoding the text again gives back the same bytes. A
// blank or control character (not CR or LF) right after such a lead byte goes the same way:
// it is that byte's partner, and must not split a field.
std::string ToUtf8(std::string_view bytes);

// A character that CP949 cannot hold, met while encoding. The writers add where it stands
// (At), so that the user can find and change it: nothing is written in its place.
class EUnencodable : public std::runtime_error {
public:
    explicit EUnencodable(std::string character, std::string where = {},
                          std::string consequence = {});
    // The same character, placed: "3번째 줄(측점 "P1")", and what was not done.
    EUnencodable At(std::string where, std::string consequence) const {
        return EUnencodable(m_character, std::move(where), std::move(consequence));
    }
    const std::string& Character() const { return m_character; }

private:
    std::string m_character; // UTF-8
};

// Encodes UTF-8 text. Private characters U+F780..U+F7FF become their byte again (and
// U+F701..U+F720 right after a lead byte among them), and so does a byte that is not part
// of well-formed UTF-8; a character CP949 cannot hold throws EUnencodable.
std::string FromUtf8(std::string_view text);
// True when FromUtf8(text) would not throw.
bool CanEncode(std::string_view text);

// For bytes that are valid UTF-8 as well: true when they read better as CP949. Korean in
// UTF-8 takes three bytes a character, which CP949 text practically never forms, so any
// three-byte character settles it for UTF-8. Otherwise the bytes are CP949 when that
// reading is clean and holds more Hangul and hanja than the UTF-8 reading has accented
// letters inside Latin words ("Müller"): CP949 Hangul read as UTF-8 gives stray accented
// letters ("창" C3 A2 is "â"), hanja Greek or Armenian letters ("道" D4 B3 is "Գ").
bool ReadsAsCp949(std::string_view bytes);

// True when `text` is well-formed UTF-8 (overlongs and surrogates rejected).
bool IsValidUtf8(std::string_view text);

bool IsAscii(std::string_view text);

// Decoder for text arriving in pieces: a lead byte at the end of one piece waits for the
// next piece instead of being taken as invalid.
class Decoder {
public:
    std::string Feed(std::string_view bytes);
    // Whatever is still pending, decoded as invalid bytes.
    std::string Finish();

private:
    std::string m_pending;
};

} // namespace Cp949

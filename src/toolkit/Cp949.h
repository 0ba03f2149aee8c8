#pragma once

#include <string>
#include <string_view>

// Code page 949 <-> UTF-8 through glibc iconv (Qt's "CP949" is IBM's variant and decodes
// some Hangul wrongly). Text in memory is UTF-8; files, DXF and the serial line are CP949.
namespace Cp949 {

// Decodes CP949 bytes. A byte that is not part of a valid character becomes the private
// character U+F700 + byte, so that encoding the text again gives back the same bytes.
std::string ToUtf8(std::string_view bytes);

// Encodes UTF-8 text. Private characters U+F780..U+F7FF become their byte again;
// characters CP949 cannot hold become '?'.
std::string FromUtf8(std::string_view text);

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

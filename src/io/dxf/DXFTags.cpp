#include "io/dxf/DXFTags.h"

#include "io/dxf/DXFNumbers.h"
#include "text/NumText.h"

#include <algorithm>
#include <charconv>

namespace {

// Bytes are collected and handed to the sink in pieces of this size.
constexpr size_t kChunk = 1 << 20;
constexpr std::string_view kLineEnd = "\r\n";

} // namespace

// The block is filled by copies: most of a drawing is short fixed words, and growing a
// string piece by piece costs more than formatting the numbers.
TDXFTags::TDXFTags(TDXFSink& sink) : m_sink(sink), m_buf(kChunk, '\0') {}

void TDXFTags::bytesLarge(std::string_view bytes) {
    Flush();
    if (bytes.size() > m_buf.size())
        m_sink.Write(bytes);
    else
        Bytes(bytes);
}

void TDXFTags::Text(int code, std::string_view value) {
    char digits[12];
    Bytes(std::string_view(digits, std::to_chars(digits, digits + sizeof digits, code).ptr - digits));
    Bytes(kLineEnd);
    Bytes(value);
    Bytes(kLineEnd);
}

void TDXFTags::Integer(int code, long long value) {
    char digits[24];
    Text(code, std::string_view(digits, std::to_chars(digits, digits + sizeof digits, value).ptr - digits));
}

void TDXFTags::Real(int code, double value) {
    char digits[DxfNumbers::kMaxGeneralSize];
    Text(code, std::string_view(digits, DxfNumbers::WriteGeneral(digits, value) - digits));
}

void TDXFTags::Fixed(int code, double value) { Text(code, FormatFixed4(value)); }

void TDXFTags::Point(int code, double x, double y, double z) {
    Real(code, x);
    Real(code + 10, y);
    Real(code + 20, z);
}

void TDXFTags::Handle(int code, unsigned value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, 16).ptr;
    std::transform(digits, end, digits, [](char c) { return c >= 'a' ? char(c - 'a' + 'A') : c; });
    Text(code, std::string_view(digits, end - digits));
}

void TDXFTags::Section(const char* name) {
    Text(0, "SECTION");
    Text(2, name);
}

void TDXFTags::Scientific(double value) {
    if (m_buf.size() - m_used < DxfNumbers::kScientificSize)
        Flush();
    char* at = m_buf.data() + m_used;
    m_used += static_cast<size_t>(DxfNumbers::WriteScientific(at, value) - at);
}

void TDXFTags::Flush() {
    if (m_used == 0)
        return;
    // Dropped also when the sink fails, so that a later Flush does not try the write again.
    const size_t used = m_used;
    m_used = 0;
    m_sink.Write(std::string_view(m_buf.data(), used));
}

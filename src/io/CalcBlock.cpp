#include "io/CalcBlock.h"

#include <charconv>

namespace CalcBlock {

namespace {

constexpr std::string_view kMagic = "PBCALC 1\n";
constexpr std::string_view kMagicWithKinds = "PBCALC 2\n";

bool validKinds(std::string_view kinds) {
    return kinds.find_first_not_of(std::string{kText, kNumber}) == std::string_view::npos;
}

// Reads a decimal count up to `stop`; advances `pos` past the stop character.
long long readCount(std::string_view text, std::size_t& pos, char stop, const char* what) {
    const std::size_t end = text.find(stop, pos);
    if (end == std::string_view::npos || end == pos || end - pos > 12)
        throw EBlockFormat(std::string("bad ") + what);
    long long value = 0;
    const char* first = text.data() + pos;
    const char* last = text.data() + end;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last || value < 0)
        throw EBlockFormat(std::string("bad ") + what);
    pos = end + 1;
    return value;
}

} // namespace

Writer::Writer(int rows, int cols, std::string_view kinds) {
    if (rows < 0 || cols < 0)
        throw std::logic_error("negative block size");
    if (!kinds.empty() && (kinds.size() != std::size_t(cols) || !validKinds(kinds)))
        throw std::logic_error("column kinds do not fit the columns");
    m_expected = static_cast<long long>(rows) * cols;
    m_text.reserve(64 + static_cast<std::size_t>(m_expected) * 16);
    m_text += kinds.empty() ? kMagic : kMagicWithKinds;
    m_text += std::to_string(rows);
    m_text += ' ';
    m_text += std::to_string(cols);
    m_text += '\n';
    if (!kinds.empty()) {
        m_text += kinds;
        m_text += '\n';
    }
}

void Writer::Add(std::string_view cell) {
    m_text += std::to_string(cell.size());
    m_text += ':';
    m_text += cell;
    m_text += '\n';
    ++m_added;
}

std::string Writer::Take() {
    if (m_added != m_expected)
        throw std::logic_error("block has " + std::to_string(m_added) + " cells, expected " +
                               std::to_string(m_expected));
    return std::move(m_text);
}

Table Read(std::string_view text) {
    const bool withKinds = text.substr(0, kMagicWithKinds.size()) == kMagicWithKinds;
    if (!withKinds && text.substr(0, kMagic.size()) != kMagic)
        throw EBlockFormat("not a table block");
    std::size_t pos = kMagic.size();
    const long long rows = readCount(text, pos, ' ', "row count");
    const long long cols = readCount(text, pos, '\n', "column count");
    std::string_view kinds;
    if (withKinds) {
        const std::size_t end = text.find('\n', pos);
        kinds = text.substr(pos, end == std::string_view::npos ? 0 : end - pos);
        if (end == std::string_view::npos || kinds.size() != std::size_t(cols) || kinds.empty() ||
            !validKinds(kinds))
            throw EBlockFormat("bad column kinds");
        pos = end + 1;
    }
    // Every cell takes at least three bytes ("0:\n"), which bounds the counts before we
    // reserve anything.
    if (rows > 0x7fffffff || cols > 0x7fffffff ||
        (cols > 0 && rows > (long long)(text.size() / 3) / cols))
        throw EBlockFormat("block is shorter than its row and column counts");
    Table table;
    table.rows = int(rows);
    table.cols = int(cols);
    table.kinds = kinds;
    const long long count = rows * cols;
    table.cells.reserve(std::size_t(count));
    for (long long i = 0; i < count; ++i) {
        const long long length = readCount(text, pos, ':', "cell length");
        if (length > (long long)(text.size() - pos) || pos + std::size_t(length) >= text.size() ||
            text[pos + std::size_t(length)] != '\n')
            throw EBlockFormat("cell " + std::to_string(i + 1) + " is cut short");
        table.cells.emplace_back(text.substr(pos, std::size_t(length)));
        pos += std::size_t(length) + 1;
    }
    if (pos != text.size())
        throw EBlockFormat("unexpected data after the last cell");
    return table;
}

} // namespace CalcBlock

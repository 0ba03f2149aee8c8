#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The table block that the program hands to the spreadsheet helper (pointbridge-calc) on its
// standard input, and the helper's exit codes. Both sides build this file; it is plain C++ so
// that the helper needs no Qt.
//
// Layout: the line "PBCALC 1", then "<rows> <cols>", then every cell row by row as its length
// in bytes, ':', the bytes and '\n'. Cells are counted, not separated, so tabs, newlines and
// any UTF-8 text inside a cell pass unchanged. A block whose columns are not all text starts
// "PBCALC 2" and has after the counts a line of one kind letter per column (kText, kNumber).
namespace CalcBlock {

// Column kinds. The cells of a number column that read as decimal numbers go into the sheet
// as numbers, shown with four decimals; every other cell stays text exactly as it came.
constexpr char kText = 't';
constexpr char kNumber = 'n';

class EBlockFormat : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Writer {
public:
    // `kinds`: one kind per column; empty for all text.
    Writer(int rows, int cols, std::string_view kinds = {});
    void Add(std::string_view cell);
    // The finished block; throws std::logic_error when fewer or more cells than rows x cols
    // were added.
    std::string Take();

private:
    std::string m_text;
    long long m_expected = 0;
    long long m_added = 0;
};

struct Table {
    int rows = 0;
    int cols = 0;
    std::vector<std::string> cells; // row by row
    std::string kinds;              // one per column, or empty: all text
    const std::string& Cell(int row, int col) const { return cells[std::size_t(row) * cols + col]; }
    bool NumberColumn(int col) const {
        return !kinds.empty() && kinds[std::size_t(col)] == kNumber;
    }
};

// Reads a whole block; throws EBlockFormat naming what is wrong.
Table Read(std::string_view text);

// While it copies, the helper prints this followed by the rows copied so far, a line each
// time; the line is no part of the detail below.
constexpr char kRowsCopied[] = "rows copied: ";

// Exit codes of pointbridge-calc. The helper prints a one-line detail on its standard output.
enum ExitCode : int {
    kExitOk = 0,
    kExitBadBlock = 2,      // the input was not a block
    kExitOfficeMissing = 3, // LibreOffice or its Calc module is not installed
    kExitNoConnection = 4,  // no connection to the office before the deadline
    kExitOfficeGone = 5,    // the office went away during a call
    kExitOfficeError = 6,   // the office reported an error
    kExitStartFailed = 7,   // soffice was found but could not be started
};

} // namespace CalcBlock

#pragma once

#include <array>
#include <string>
#include <vector>

// One row of the upload list: ID, X, Y, Z, CODE as the table shows them (UTF-8).
using TUploadRow = std::array<std::string, 5>;

// The bytes the instrument gets for `rows`: per row the five cells joined by "," and then
// LF CR CR LF (the instrument's own line end), in CP949. No quoting, no checks; a
// character CP949 cannot hold throws Cp949::EUnencodable naming the row.
std::string UploadWireText(const std::vector<TUploadRow>& rows);

// The error of a write that ended on its time-out with `sent` of `total` bytes on the line.
std::string ShortWriteMessage(int sent, int total);
// What the user is told after cancelling an upload.
std::string CancelledMessage(int sent, int total);

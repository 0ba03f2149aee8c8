#pragma once

#include <functional>
#include <string_view>

class QFileDevice;
class QIODevice;

// A one-page drawing written by QPdfWriter in several pages, so that the writer never holds
// more than one page's content in memory: AppendJoinedPages() appends an incremental update
// to `pdf` (open for reading and writing) that puts the content of every page, in order, on
// the first page and leaves that page alone in the page tree. Each page's content keeps its
// own graphics state (it is drawn within q ... Q) and the page gets the resources of all.
// Returns false, having written nothing, when the file is not laid out as QPdfWriter lays it
// out (a classic cross-reference table, one /Kids array); the caller then draws the page in
// one piece.
bool AppendJoinedPages(QIODevice& pdf);

// Hands a document written to the scratch file `pdf` to `sink` in pieces of a megabyte, from
// its start; throws when the file could not be read back.
void SendPdf(QFileDevice& pdf, const std::function<void(std::string_view)>& sink);

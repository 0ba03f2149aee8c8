// pointbridge-calc: copies a table block (read from standard input) into a new, visible,
// unsaved LibreOffice Calc document. It is the only program of ours that talks to the office,
// so a hang or crash there cannot take the main program down. Exit codes and the one-line
// detail it prints on standard output are read by io/SpreadsheetExport.
#include "OfficeLink.h"
#include "io/CalcBlock.h"

#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/IndexOutOfBoundsException.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <rtl/ustring.hxx>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace css = com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace {

// A cold start of the office takes 4-6 s on an ordinary PC; a slow disk or first-run
// profile set-up can take several times that.
constexpr std::chrono::seconds kConnectDeadline{60};

[[noreturn]] void finish(int code, const std::string& detail) {
    if (!detail.empty())
        std::fprintf(stdout, "%s\n", detail.c_str());
    std::fflush(stdout);
    std::fflush(stderr);
    // Skip static destruction: tearing down the UNO bridge threads at exit is known to
    // hang or crash after the office went away, and there is nothing left to clean up.
    ::_exit(code);
}

// A whole cell that is a plain decimal number (no spaces, no sign '+', no hex, no inf).
bool readNumber(const std::string& text, double& value) {
    if (text.empty() || text.find_first_not_of("0123456789.-eE") != std::string::npos)
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// Rows `first` to `last` of the table.
Sequence<Sequence<Any>> toDataArray(const CalcBlock::Table& table, int first, int last) {
    Sequence<Sequence<Any>> rows(last - first + 1);
    Sequence<Any>* row = rows.getArray();
    for (int r = first; r <= last; ++r) {
        Sequence<Any> cells(table.cols);
        Any* cell = cells.getArray();
        for (int c = 0; c < table.cols; ++c) {
            const std::string& text = table.Cell(r, c);
            double number = 0;
            if (table.NumberColumn(c) && readNumber(text, number)) {
                cell[c] <<= number;
                continue;
            }
            // Strings go as strings: Calc keeps them as text ("007" stays, "=1+1" is no formula).
            cell[c] <<= OUString(text.data(), sal_Int32(text.size()), RTL_TEXTENCODING_UTF8);
        }
        row[r - first] = cells;
    }
    return rows;
}

Reference<css::lang::XComponent>
newCalcDocument(const Reference<css::uno::XComponentContext>& remote) {
    const auto desktop = css::frame::Desktop::create(remote);
    Reference<css::lang::XComponent> doc;
    try {
        doc = desktop->loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                            Sequence<css::beans::PropertyValue>());
    } catch (const css::lang::IllegalArgumentException& e) {
        // The office answers this way when its Calc module is not installed.
        throw OfficeLink::EOfficeLink(CalcBlock::kExitOfficeMissing,
                                      "LibreOffice could not create a Calc document: " +
                                          OfficeLink::ToUtf8(e.Message));
    }
    if (!doc.is())
        throw OfficeLink::EOfficeLink(CalcBlock::kExitOfficeMissing,
                                      "LibreOffice did not create a Calc document");
    return doc;
}

// Number columns show four decimals, as the point table does, and are wide enough for them.
void showNumberColumns(const Reference<css::lang::XComponent>& doc,
                       const Reference<css::sheet::XSpreadsheet>& sheet,
                       const CalcBlock::Table& table) {
    const Reference<css::util::XNumberFormats> formats =
        Reference<css::util::XNumberFormatsSupplier>(doc, UNO_QUERY_THROW)->getNumberFormats();
    // The code is read in English, so it means the same under every office language.
    const css::lang::Locale english("en", "US", "");
    sal_Int32 fourDecimals = formats->queryKey("0.0000", english, false);
    if (fourDecimals < 0)
        fourDecimals = formats->addNew("0.0000", english);
    const Reference<css::table::XColumnRowRange> columns(sheet, UNO_QUERY_THROW);
    for (int c = 0; c < table.cols; ++c) {
        if (!table.NumberColumn(c))
            continue;
        Reference<css::beans::XPropertySet>(sheet->getCellRangeByPosition(c, 0, c, table.rows - 1),
                                            UNO_QUERY_THROW)
            ->setPropertyValue("NumberFormat", Any(fourDecimals));
        Reference<css::beans::XPropertySet>(columns->getColumns()->getByIndex(c), UNO_QUERY_THROW)
            ->setPropertyValue("OptimalWidth", Any(true));
    }
}

void fillSheet(const Reference<css::lang::XComponent>& doc, const CalcBlock::Table& table) {
    const Reference<css::frame::XModel> model(doc, UNO_QUERY_THROW);
    const Reference<css::frame::XController> controller = model->getCurrentController();
    const Reference<css::sheet::XSpreadsheetView> view(controller, UNO_QUERY_THROW);
    const Reference<css::sheet::XSpreadsheet> sheet = view->getActiveSheet();

    // setDataArray of nothing raises; an empty table leaves the new sheet empty.
    if (table.rows > 0 && table.cols > 0) {
        try {
            sheet->getCellRangeByPosition(0, 0, table.cols - 1, table.rows - 1);
        } catch (const css::lang::IndexOutOfBoundsException&) {
            throw OfficeLink::EOfficeLink(CalcBlock::kExitOfficeError,
                                          "the table has " + std::to_string(table.rows) +
                                              " rows, more than a Calc sheet holds");
        }
        // In pieces, each told on standard output, so that the program can show how far the
        // copy has got and stop it between pieces.
        constexpr int kRowsAPiece = 20000;
        for (int first = 0; first < table.rows; first += kRowsAPiece) {
            const int last = std::min(first + kRowsAPiece, table.rows) - 1;
            Reference<css::sheet::XCellRangeData>(
                sheet->getCellRangeByPosition(0, first, table.cols - 1, last), UNO_QUERY_THROW)
                ->setDataArray(toDataArray(table, first, last));
            std::fprintf(stdout, "%s%d\n", CalcBlock::kRowsCopied, last + 1);
            std::fflush(stdout);
        }
        showNumberColumns(doc, sheet, table);
        // Closing the window must ask to save, also where Calc did not mark it by itself.
        Reference<css::util::XModifiable>(doc, UNO_QUERY_THROW)->setModified(true);
    }

    const Reference<css::awt::XWindow> window = controller->getFrame()->getContainerWindow();
    window->setVisible(true);
    if (const Reference<css::awt::XTopWindow> top{window, css::uno::UNO_QUERY}; top.is())
        top->toFront();
}

std::string readAll(std::FILE* in) {
    std::string text;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        text.append(buffer, n);
    return text;
}

} // namespace

int main() {
    CalcBlock::Table table;
    try {
        table = CalcBlock::Read(readAll(stdin));
    } catch (const std::exception& e) {
        finish(CalcBlock::kExitBadBlock, e.what());
    }

    try {
        const auto local = OfficeLink::Bootstrap();
        const auto remote =
            OfficeLink::Connect(local, OfficeLink::PipeName(), kConnectDeadline, true);
        fillSheet(newCalcDocument(remote), table);
    } catch (const OfficeLink::EOfficeLink& e) {
        finish(e.ExitCode(), e.what());
    } catch (const css::lang::DisposedException& e) {
        finish(CalcBlock::kExitOfficeGone, OfficeLink::ToUtf8(e.Message));
    } catch (const css::uno::Exception& e) {
        finish(CalcBlock::kExitOfficeError, OfficeLink::ToUtf8(e.Message));
    } catch (const std::exception& e) {
        finish(CalcBlock::kExitOfficeError, e.what());
    }
    finish(CalcBlock::kExitOk, {});
}

// pointbridge-calc-probe: a second connection to the office that pointbridge-calc filled, for
// tests and the benchmark. It only reads and tidies up; it never starts an office.
//   list           one line per Calc document: title, location, modified, text cells and
//                  other content cells of the active sheet, tab-separated
//   cells TITLE    the used area of that document's active sheet from A1, as a table block;
//                  a number cell marked by a leading '#': "#201349.9930" when its column
//                  shows four decimals, else "#[format code]value"
//   close          closes every document without saving and terminates the office
#include "OfficeLink.h"
#include "io/CalcBlock.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using OfficeLink::ToUtf8;

namespace {

std::vector<Reference<css::lang::XComponent>>
documents(const Reference<css::frame::XDesktop2>& desktop) {
    std::vector<Reference<css::lang::XComponent>> docs;
    const auto list = desktop->getComponents()->createEnumeration();
    while (list->hasMoreElements()) {
        Reference<css::lang::XComponent> doc(list->nextElement(), UNO_QUERY);
        if (doc.is())
            docs.push_back(doc);
    }
    return docs;
}

Reference<css::sheet::XSpreadsheet> activeSheet(const Reference<css::lang::XComponent>& doc) {
    const Reference<css::frame::XModel> model(doc, UNO_QUERY_THROW);
    const Reference<css::sheet::XSpreadsheetView> view(model->getCurrentController(),
                                                       UNO_QUERY_THROW);
    return view->getActiveSheet();
}

long long cellCount(const Reference<css::sheet::XSpreadsheet>& sheet, sal_Int16 flags) {
    const Reference<css::sheet::XCellRangesQuery> query(sheet, UNO_QUERY_THROW);
    long long count = 0;
    for (const auto& a : query->queryContentCells(flags)->getRangeAddresses())
        count += (long long)(a.EndColumn - a.StartColumn + 1) * (a.EndRow - a.StartRow + 1);
    return count;
}

std::string title(const Reference<css::lang::XComponent>& doc) {
    const Reference<css::frame::XTitle> t(doc, UNO_QUERY);
    return t.is() ? ToUtf8(t->getTitle()) : std::string();
}

void list(const Reference<css::frame::XDesktop2>& desktop) {
    using namespace css::sheet::CellFlags;
    for (const auto& doc : documents(desktop)) {
        if (!Reference<css::sheet::XSpreadsheetDocument>(doc, UNO_QUERY).is())
            continue;
        const Reference<css::frame::XStorable> storable(doc, UNO_QUERY_THROW);
        const Reference<css::util::XModifiable> modifiable(doc, UNO_QUERY_THROW);
        const auto sheet = activeSheet(doc);
        std::printf("%s\t%s\t%d\t%lld\t%lld\n", title(doc).c_str(),
                    storable->hasLocation() ? ToUtf8(storable->getLocation()).c_str() : "",
                    int(modifiable->isModified()), cellCount(sheet, STRING),
                    cellCount(sheet, VALUE | DATETIME | FORMULA | ANNOTATION));
    }
}

int cells(const Reference<css::frame::XDesktop2>& desktop, const std::string& wanted) {
    using namespace css::sheet::CellFlags;
    for (const auto& doc : documents(desktop)) {
        if (title(doc) != wanted)
            continue;
        const auto sheet = activeSheet(doc);
        int rows = 0, cols = 0;
        if (cellCount(sheet, STRING | VALUE | DATETIME | FORMULA) > 0) {
            const Reference<css::sheet::XSheetCellCursor> cursor = sheet->createCursor();
            Reference<css::sheet::XUsedAreaCursor>(cursor, UNO_QUERY_THROW)
                ->gotoEndOfUsedArea(false);
            const auto end = Reference<css::sheet::XCellRangeAddressable>(cursor, UNO_QUERY_THROW)
                                 ->getRangeAddress();
            rows = end.EndRow + 1;
            cols = end.EndColumn + 1;
        }
        CalcBlock::Writer block(rows, cols);
        if (rows > 0) {
            const Reference<css::sheet::XCellRangeData> range(
                sheet->getCellRangeByPosition(0, 0, cols - 1, rows - 1), UNO_QUERY_THROW);
            // One format per column (a column of mixed formats reads as none): asking each
            // cell how it shows would take minutes for a large sheet.
            const Reference<css::util::XNumberFormats> formats =
                Reference<css::util::XNumberFormatsSupplier>(doc, UNO_QUERY_THROW)
                    ->getNumberFormats();
            std::vector<std::string> formatCodes(std::size_t(cols), "?");
            for (int c = 0; c < cols; ++c) {
                sal_Int32 key = -1;
                Reference<css::beans::XPropertySet>(
                    sheet->getCellRangeByPosition(c, 0, c, rows - 1), UNO_QUERY_THROW)
                    ->getPropertyValue("NumberFormat") >>= key;
                rtl::OUString code;
                if (key >= 0)
                    formats->getByKey(key)->getPropertyValue("FormatString") >>= code;
                formatCodes[std::size_t(c)] = ToUtf8(code);
            }
            const auto data = range->getDataArray();
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < cols; ++c) {
                    const auto& cell = data[r][c];
                    double number = 0;
                    if (cell >>= number) {
                        char shown[64];
                        const std::string& code = formatCodes[std::size_t(c)];
                        if (code == "0.0000")
                            std::snprintf(shown, sizeof shown, "#%.4f", number);
                        else
                            std::snprintf(shown, sizeof shown, "#[%s]%.17g", code.c_str(), number);
                        block.Add(shown);
                        continue;
                    }
                    rtl::OUString text;
                    cell >>= text;
                    block.Add(ToUtf8(text));
                }
        }
        const std::string text = block.Take();
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    std::fprintf(stderr, "no document titled \"%s\"\n", wanted.c_str());
    return 1;
}

void close(const Reference<css::frame::XDesktop2>& desktop) {
    for (const auto& doc : documents(desktop)) {
        try {
            if (const Reference<css::util::XModifiable> m{doc, UNO_QUERY}; m.is())
                m->setModified(false);
            if (const Reference<css::util::XCloseable> c{doc, UNO_QUERY}; c.is())
                c->close(true);
            else
                doc->dispose();
        } catch (const css::uno::Exception& e) {
            std::fprintf(stderr, "closing a document: %s\n", ToUtf8(e.Message).c_str());
        }
    }
    try {
        desktop->terminate();
    } catch (const css::lang::DisposedException&) {
        // The office went away while answering: that is what we asked for.
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "list" && mode != "close" && !(mode == "cells" && argc > 2)) {
        std::fprintf(stderr, "usage: %s list | cells TITLE | close\n", argv[0]);
        return 2;
    }
    try {
        const auto local = OfficeLink::Bootstrap();
        const auto remote =
            OfficeLink::Connect(local, OfficeLink::PipeName(), std::chrono::seconds(10), false);
        const auto desktop = css::frame::Desktop::create(remote);
        int rc = 0;
        if (mode == "list")
            list(desktop);
        else if (mode == "cells")
            rc = cells(desktop, argv[2]);
        else
            close(desktop);
        std::fflush(stdout);
        std::_Exit(rc);
    } catch (const OfficeLink::EOfficeLink& e) {
        std::fprintf(stderr, "%s\n", e.what());
        std::_Exit(e.ExitCode());
    } catch (const css::uno::Exception& e) {
        std::fprintf(stderr, "%s\n", ToUtf8(e.Message).c_str());
        std::_Exit(CalcBlock::kExitOfficeError);
    }
}

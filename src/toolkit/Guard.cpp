#include "toolkit/Guard.h"

#include "toolkit/Catalog.h"

#include <cstdio>

namespace Guard {

namespace {
Reporter& reporter() {
    static Reporter r;
    return r;
}
} // namespace

void SetReporter(Reporter r) { reporter() = std::move(r); }

void Report(std::exception_ptr error) {
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        text = QString::fromUtf8(e.what());
    } catch (...) {
        text = Catalog::Tk("Unknown error");
    }
    // The report itself must not throw back into the caller.
    try {
        if (reporter())
            reporter()(text);
        else
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    } catch (...) {
    }
}

} // namespace Guard

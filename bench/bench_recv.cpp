// The receive window's text area under a long transfer, taken in 100-byte pieces as the
// port delivers them: 1 MB of point lines, then one 1 MB line without a line end. Prints the
// time per 100 KB as the text grows; appending must stay flat, not grow with what is shown.
#include "comm/RecvFiles.h"
#include "comm/forms/DataRecv.h"
#include "toolkit/Application.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

namespace {

bool run(const char* what, const std::string& text) {
    TDataRecvForm form;
    form.show();
    constexpr size_t kPiece = 100;
    constexpr size_t kReport = 100 * 1024;
    QElapsedTimer all, step;
    all.start();
    step.start();
    std::printf("%s\n%10s %14s\n", what, "received", "ms per 100 KB");
    for (size_t at = 0; at < text.size(); at += kPiece) {
        form.Session().Take(std::string_view(text).substr(at, kPiece));
        if ((at + kPiece) % kReport < kPiece) {
            std::printf("%9zuK %14.1f\n", (at + kPiece) / 1024, step.nsecsElapsed() / 1e6);
            step.restart();
        }
    }
    const bool exact = form.RecvBytes() == text;
    std::printf("1 MB in %zu pieces: %.0f ms in all, %lld lines; buffer %s\n\n",
                text.size() / kPiece, all.nsecsElapsed() / 1e6, form.RecvLineCount(),
                exact ? "exact" : "MISMATCH");
    return exact;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    QTemporaryDir dir;
    RecvFiles::SetFolders(dir.path().toStdString(), dir.filePath("data").toStdString());

    std::string lines;
    for (int i = 1; lines.size() < (1u << 20); ++i)
        lines += std::to_string(i) + ",201349.9930,448719.9860,34.5764,\xB0\xE6\xB0\xE8\r\n";
    lines.resize(1u << 20);
    std::string longLine = "1,10,20,30,";
    while (longLine.size() < (1u << 20))
        longLine += "\xB0\xE6\xB0\xE8" "ABCDEFGHIJ";
    longLine.resize(1u << 20);

    const bool ok = run("point lines", lines) && run("one line without a line end", longLine);
    return ok ? 0 : 1;
}

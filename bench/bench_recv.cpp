// The receive window's text area under a long transfer: 1 MB of point lines appended in
// 100-byte pieces, as the port delivers them. Prints the time per 100 KB as the text grows;
// appending must stay flat, not grow with the text already shown.
#include "comm/DataRecv.h"
#include "comm/RecvFiles.h"
#include "toolkit/Application.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    QTemporaryDir dir;
    RecvFiles::SetFolders(dir.path().toStdString(), dir.filePath("data").toStdString());

    std::string text;
    for (int i = 1; text.size() < (1u << 20); ++i)
        text += std::to_string(i) + ",201349.9930,448719.9860,34.5764,\xB0\xE6\xB0\xE8\r\n";
    text.resize(1u << 20);

    TDataRecvForm form;
    form.show();
    constexpr size_t kPiece = 100;
    constexpr size_t kReport = 100 * 1024;
    QElapsedTimer all, step;
    all.start();
    step.start();
    std::printf("%10s %14s\n", "received", "ms per 100 KB");
    for (size_t at = 0; at < text.size(); at += kPiece) {
        form.AppendRecvText(text.substr(at, kPiece));
        if ((at + kPiece) % kReport < kPiece) {
            std::printf("%9zuK %14.1f\n", (at + kPiece) / 1024, step.nsecsElapsed() / 1e6);
            step.restart();
        }
    }
    std::printf("1 MB in %zu pieces: %.0f ms in all, %lld lines shown; buffer %s\n",
                text.size() / kPiece, all.nsecsElapsed() / 1e6, form.RecvLineCount(),
                form.RecvBytes() == text ? "exact" : "MISMATCH");
    return form.RecvBytes() == text ? 0 : 1;
}

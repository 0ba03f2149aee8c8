#include "app/cli/CliPaint.h"

#include "toolkit/Fonts.h"

#include <QGuiApplication>

#include <clocale>

std::unique_ptr<QGuiApplication> StartPainting() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // QGuiApplication keeps a reference to argc: both live as long as the program.
    static int argc = 1;
    static char name[] = "pointbridge-cli";
    static char* argv[] = {name, nullptr};
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    Fonts::InstallSubstitutions();
    return app;
}

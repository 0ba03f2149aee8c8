#pragma once

#include <QGuiApplication>

#include <memory>

// What painting text (a plot, a report) needs in a batch run without a display: a GUI
// application on the off-screen platform, numbers read and written with a decimal point,
// and the program's font fallbacks. Keep the result alive while painting.
std::unique_ptr<QGuiApplication> StartPainting();

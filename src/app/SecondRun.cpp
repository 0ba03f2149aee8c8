#include "app/SecondRun.h"

#include <QCoreApplication>
#include <QProcess>

#include <stdexcept>

void StartProgram(const QString& program, const QString& argument) {
    QProcess process;
    process.setProgram(program);
    process.setArguments({argument});
    if (!process.startDetached())
        throw std::runtime_error(QString("Cannot start \"%1\". %2")
                                     .arg(program, process.errorString())
                                     .toStdString());
}

void StartSecondRun(const QString& path) {
    StartProgram(QCoreApplication::applicationFilePath(), path);
}

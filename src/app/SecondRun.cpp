#include "app/SecondRun.h"

#include <QCoreApplication>
#include <QProcess>

#include <stdexcept>

void StartProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!process.startDetached())
        throw std::runtime_error(QString("Cannot start \"%1\". %2")
                                     .arg(program, process.errorString())
                                     .toStdString());
}

void StartSecondRun(const QString& path, const QStringList& options) {
    StartProgram(QCoreApplication::applicationFilePath(), QStringList{path} + options);
}

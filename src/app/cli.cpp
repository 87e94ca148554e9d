// quarnaro-cli: the program's core without windows, for batch work and scripting.

#include "app/climain.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    // The printed reports lay text out with fonts, which need the GUI library; no window is
    // shown, so no display is needed either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QString out, err;
    const int rc = qrn::cli::run(args, QGuiApplication::applicationDirPath(), out, err);
    std::fputs(out.toLocal8Bit().constData(), stdout);
    std::fputs(err.toLocal8Bit().constData(), stderr);
    return rc;
}

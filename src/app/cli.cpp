// quarnaro-cli: the program's core without windows, for batch work and scripting.

#include "app/climain.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QString out, err;
    const int rc = qrn::cli::run(args, QCoreApplication::applicationDirPath(), out, err);
    std::fputs(out.toLocal8Bit().constData(), stdout);
    std::fputs(err.toLocal8Bit().constData(), stderr);
    return rc;
}

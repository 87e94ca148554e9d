// quarnaro-cli: the program's core without windows, for batch work and scripting.

#include "app/climain.h"
#include "shell/utf8locale.h"

#include <QByteArray>
#include <QDir>
#include <QApplication>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Qt's platform code wants a private runtime folder and complains on standard error when the
// session has none (a batch job, a service, su); the tool then makes its own, quietly.
void ensureRuntimeFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QByteArray folder = QFile::encodeName(QDir::tempPath()) + "/quarnaro-runtime-" + QByteArray::number(getuid());
    struct stat st { };
    if (mkdir(folder.constData(), 0700) != 0 && (stat(folder.constData(), &st) != 0 || st.st_uid != getuid()))
        return;
    chmod(folder.constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", folder);
}

} // namespace

int main(int argc, char **argv)
{
    // Names of tables, files and territories are UTF-8 whatever locale the session has.
    qrn::useUtf8CharacterSet();
    // The printed reports and the maps lay text out with fonts, which need the GUI library, and
    // the charts are drawn by graphics items, which need the widgets' application; no window is
    // shown, so no display is needed either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ensureRuntimeFolder();
    QApplication app(argc, argv);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QString out, err;
    const int rc = qrn::cli::run(args, QApplication::applicationDirPath(), out, err);
    std::fputs(out.toLocal8Bit().constData(), stdout);
    std::fputs(err.toLocal8Bit().constData(), stderr);
    return rc;
}

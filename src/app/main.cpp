// quarnaro: the desktop program.
//
//   quarnaro [--home FOLDER] [--cache FOLDER] [--decimal , | .] [--grab FILE.png]
//
// --cache chooses the folder where Access-format databases are imported to be read (by
// default the user's cache folder).
// --command N runs menu command item N once started.
// --home chooses the program folder (Files/, Databases/, Shape/, Images/, Excel/); by default
// it is the folder of the executable, or, installed (PREFIX/bin beside PREFIX/share/quarnaro),
// the user's data folder over the installed read-only data. --grab saves a picture of the main window once started
// and ends (used to look at the program as a user sees it).

#include "access/accesscache.h"
#include "shell/context.h"
#include "shell/programfolders.h"
#include "shell/startup.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/qtprompt.h"
#include "shell/utf8locale.h"
#include "ui/registerwindows.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <unistd.h>

namespace {

// The program's icon at the sizes rendered at build time from data/desktop's SVG.
QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

int main(int argc, char **argv)
{
    // Names of tables, files and territories are UTF-8 whatever locale the session has.
    qrn::useUtf8CharacterSet();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarnaro"));
    // The desktop entry and the icon the desktop shows for the windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("it.quarnaro.Quarnaro"));
    QApplication::setWindowIcon(programIcon());

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Quarnaro: statistiche sulle infrastrutture dei territori italiani"));
    parser.addHelpOption();
    QCommandLineOption home(QStringLiteral("home"), QStringLiteral("Cartella del programma."),
                            QStringLiteral("cartella"));
    QCommandLineOption decimal(QStringLiteral("decimal"), QStringLiteral("Separatore decimale (, oppure .)."),
                               QStringLiteral("separatore"));
    QCommandLineOption grab(QStringLiteral("grab"),
                            QStringLiteral("Salva l'immagine della finestra principale ed esce."),
                            QStringLiteral("file"));
    QCommandLineOption command(QStringLiteral("command"),
                               QStringLiteral("Esegue la voce di menu numero N dopo l'avvio."), QStringLiteral("N"));
    QCommandLineOption quit(QStringLiteral("quit-after-start"),
                            QStringLiteral("Esce appena la finestra principale è pronta (per misurare l'avvio)."));
    QCommandLineOption cache(QStringLiteral("cache"),
                             QStringLiteral("Cartella dove i database Access sono importati per la lettura."),
                             QStringLiteral("cartella"));
    parser.addOptions({home, cache, decimal, grab, command, quit});
    parser.process(app);

    // --home, else the installed layout (read-only data in share/quarnaro, the rest in the
    // user's data folder), else the folder of the executable.
    const qrn::ProgramFolders folders =
        qrn::LocateProgramFolders(QApplication::applicationDirPath(), parser.value(home));
    qrn::AppContext ctx;
    qrn::ApplyProgramFolders(ctx, folders);
    if (parser.value(decimal) == QLatin1String("."))
        ctx.numbers = qrn::NumberFormat::point();
    else if (parser.value(decimal) == QLatin1String(","))
        ctx.numbers = qrn::NumberFormat::comma();

    qrn::ui::QtPrompt prompt;
    ctx.setPrompt(&prompt);
    // An Access file opened by the program is imported behind the progress dialog of the prompt.
    qrn::access::AccessCache(parser.value(cache)).install(&prompt);
    if (const QString failed = qrn::SeedUserFolder(folders); !failed.isEmpty()) {
        ctx.prompt->message(failed, QStringLiteral("Attenzione"), qrn::Icon::Critical);
        return 1;
    }
    qrn::ui::MainWindow main(ctx);
    prompt.setParent(&main);
    qrn::ui::registerWindows(main);

    qrn::InstanceLock lock(ctx.programFolder);
    if (parser.isSet(grab)) {
        // The whole screen, dialogs included, once the start has settled; then the run ends.
        const QString file = parser.value(grab);
        QTimer::singleShot(1500, [&main, file] {
            QScreen *screen = QGuiApplication::primaryScreen();
            QPixmap shot = screen && QGuiApplication::platformName() != QLatin1String("offscreen")
                ? screen->grabWindow(0)
                : main.grab();
            const bool saved = shot.save(file);
            std::fflush(nullptr);
            ::_exit(saved ? 0 : 1);
        });
    }
    main.show();
    if (main.startUp(lock) == qrn::StartupOutcome::Exit)
        return 1;
    for (const QString &n : parser.values(command))
        main.runMenuCommand(n.toInt());
    if (parser.isSet(quit)) {
        QApplication::processEvents();
        return 0;
    }
    return app.exec();
}

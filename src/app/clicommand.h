#pragma once
// The commands of quarnaro-cli. Each declares its options on a QCommandLineParser and runs on a
// context started on the program folder, printing to the session's output and error texts.

#include "shell/context.h"
#include "shell/prompt.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace qrn {
class DataTable;
class Recordset;
struct MenuBar;
} // namespace qrn

namespace qrn::cli {

// Collects the messages the core shows, to print them on standard error. The command line names
// what it needs in its options, so it answers no box: an input or a save dialog is cancelled.
class CollectingPrompt : public ConsolePrompt {
public:
    explicit CollectingPrompt(QString &err) : m_err(err) { }
    Answer message(const QString &text, const QString &title, Icon, Buttons buttons) override;
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return std::nullopt; }
    QString saveFile(const QString &, const QString &, const QString &) override { return QString(); }
    int count() const { return m_count; }

private:
    QString &m_err;
    int m_count = 0;
};

// What a command runs with.
struct Session {
    AppContext &ctx;
    CollectingPrompt &prompt;
    const MenuBar &menus;
    QChar separator;
    QString &out;
    QString &err;
    // The folder of the Access cache (--cache); "" for the user's.
    QString cacheFolder;
    // The query of the command's selection, once built.
    SelectionQuery query;

    // A wrong command line: the reason on standard error, status 2.
    int usage(const QString &reason);
    // A failure: the reason on standard error, status 1.
    int fail(const QString &reason);
    // Rows firstRow to lastRow of a table as CSV lines, after its header row.
    void printCsv(const DataTable &table, int firstRow, int lastRow);
    void printCsv(const Recordset &rs);
};

struct Command {
    QString name;
    // Declares the command's own options (the program-wide ones are declared already).
    std::function<void(QCommandLineParser &)> declare;
    // Runs the command; `arguments` are the positional arguments after its name.
    std::function<int(Session &, const QCommandLineParser &, const QStringList &arguments)> run;
    // Whether the command works on the program folder, started as the program starts; a command
    // without it gets a context with nothing found.
    bool needsStartup = true;
};

// An option with a value, named as on the command line without its dashes.
QCommandLineOption valueOption(const QString &name, const QString &valueName);
// A switch.
QCommandLineOption flagOption(const QString &name);

// The commands of each area, in the order of the help text.
std::vector<Command> shellCommands(); // menu, databases, query
std::vector<Command> tableCommands(); // tabella
std::vector<Command> updateCommands(); // aggiorna
std::vector<Command> mapCommands(); // mappa
std::vector<Command> pageCommands(); // pagina
std::vector<Command> metadataCommands(); // scheda, glossario
std::vector<Command> accessCommands(); // importa
std::vector<Command> chartCommands(); // grafico

// A field for the CSV output: quoted when it holds the separator, a quote or a line end.
QString csvField(const QString &text, QChar separator);

} // namespace qrn::cli

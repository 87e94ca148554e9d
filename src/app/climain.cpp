#include "app/climain.h"

#include "shell/context.h"
#include "shell/prompt.h"
#include "shell/startup.h"

#include <QTextStream>
#include <functional>

namespace qrn::cli {

namespace {

const char *kHelp =
    "uso: quarnaro-cli [opzioni] COMANDO [argomenti]\n"
    "\n"
    "Opzioni:\n"
    "  --home CARTELLA     cartella del programma (Files/, Databases/, Shape/); predefinita: quella\n"
    "                      dell'eseguibile\n"
    "  --separator C       separatore dei campi CSV (predefinito ';')\n"
    "  --decimal C         separatore decimale ',' o '.' (predefinito ',')\n"
    "  --help              questo testo\n"
    "\n"
    "Comandi:\n"
    "  menu                elenca le voci del menu costruite da DBMainMenu, con il loro contesto\n"
    "  databases           elenca i database configurati (DbConfigs)\n"
    "  query DB SQL        esegue una SELECT (sintassi Access) sul database DB (es. Metadati.mdb)\n"
    "                      e stampa il risultato in CSV, riga di intestazione compresa\n"
    "\n"
    "Gli errori sono scritti sullo standard error; lo stato di uscita è 0 se tutto va bene,\n"
    "1 per un errore, 2 per una riga di comando non valida.\n";

// A start-up host without windows.
class NoWindows : public StartupHost {
public:
    void formatMainWindow() override {}
    void buildMenuBar(const MenuBar &) override {}
    void showSplash() override {}
};

// Collects the messages the core shows, to print them on standard error.
class CollectingPrompt : public ConsolePrompt {
public:
    explicit CollectingPrompt(QString &err) : m_err(err) {}
    Answer message(const QString &text, const QString &title, Icon, Buttons buttons) override
    {
        m_err += (title.isEmpty() ? QString() : title + QStringLiteral(": ")) + QString(text).replace(QStringLiteral("\r\n"), QStringLiteral(" ")) + QLatin1Char('\n');
        ++m_count;
        return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? Answer::Yes : Answer::Ok;
    }
    int count() const { return m_count; }

private:
    QString &m_err;
    int m_count = 0;
};

void printMenu(const MenuNode &n, const AppContext &ctx, int depth, QString &out)
{
    const QString indent(depth * 2, QLatin1Char(' '));
    switch (n.kind) {
    case MenuNode::Kind::Separator:
        out += indent + QStringLiteral("----\n");
        break;
    case MenuNode::Kind::DisabledText:
        out += indent + n.caption + QStringLiteral(" (disattivata)\n");
        break;
    case MenuNode::Kind::Command: {
        const size_t i = size_t(n.command);
        out += indent + QStringLiteral("[%1] %2%3 -> %4 %5 %6 %7\n")
                            .arg(n.command)
                            .arg(n.caption, n.checked ? QStringLiteral(" (spuntata)") : QString(),
                                 ctx.menu.form[i], ctx.menu.db[i], ctx.menu.tipo[i],
                                 ctx.menu.level[i].isEmpty() ? QStringLiteral("T") : ctx.menu.level[i]);
        break;
    }
    case MenuNode::Kind::DropDown:
        out += indent + n.caption + QStringLiteral(" >\n");
        for (const auto &c : n.children)
            printMenu(*c, ctx, depth + 1, out);
        break;
    }
}

} // namespace

QString csvField(const QString &text, QChar separator)
{
    if (!text.contains(separator) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString s = text;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

int run(const QStringList &argsIn, const QString &defaultHome, QString &out, QString &err)
{
    QString home = defaultHome;
    QChar separator = QLatin1Char(';');
    NumberFormat numbers = NumberFormat::comma();
    QStringList rest;
    for (int i = 0; i < argsIn.size(); ++i) {
        const QString &a = argsIn[i];
        auto value = [&](QString &target) {
            if (i + 1 >= argsIn.size())
                return false;
            target = argsIn[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out += QString::fromUtf8(kHelp);
            return 0;
        } else if (a == QLatin1String("--home")) {
            if (!value(home))
                return err += QStringLiteral("Manca la cartella dopo --home.\n"), 2;
        } else if (a == QLatin1String("--separator")) {
            if (!value(v) || v.size() != 1)
                return err += QStringLiteral("--separator vuole un solo carattere.\n"), 2;
            separator = v[0];
        } else if (a == QLatin1String("--decimal")) {
            if (!value(v) || (v != QLatin1String(",") && v != QLatin1String(".")))
                return err += QStringLiteral("--decimal vuole ',' oppure '.'.\n"), 2;
            numbers = v == QLatin1String(".") ? NumberFormat::point() : NumberFormat::comma();
        } else {
            rest << a;
        }
    }
    if (rest.isEmpty()) {
        err += QStringLiteral("Nessun comando. Usare --help per l'elenco dei comandi.\n");
        return 2;
    }

    AppContext ctx;
    ctx.setProgramFolder(home);
    ctx.numbers = numbers;
    CollectingPrompt prompt(err);
    ctx.setPrompt(&prompt);
    NoWindows host;
    MenuBar bar;
    if (RunStartup(ctx, host, nullptr, bar) == StartupOutcome::Exit)
        return 1;

    const QString cmd = rest.takeFirst();
    auto printRecordset = [&](const Recordset &rs) {
        QStringList head;
        for (const QString &n : rs.fieldNames())
            head << csvField(n, separator);
        out += head.join(separator) + QLatin1Char('\n');
        for (int r = 0; r < rs.recordCount(); ++r) {
            QStringList line;
            for (const QVariant &v : rs.row(r)) {
                QString t;
                if (v.typeId() == QMetaType::Double)
                    t = QString::number(v.toDouble(), 'g', 15).replace(QLatin1Char('.'), numbers.decimal);
                else if (!v.isNull())
                    t = v.toString();
                line << csvField(t, separator);
            }
            out += line.join(separator) + QLatin1Char('\n');
        }
    };
    try {
        if (cmd == QLatin1String("menu")) {
            for (const auto &n : bar.top)
                printMenu(*n, ctx, 0, out);
            return 0;
        }
        if (cmd == QLatin1String("databases")) {
            auto cn = ctx.openDatabase(QStringLiteral("Metadati.mdb"));
            printRecordset(cn->query(QStringLiteral("Select dbnames, dbdesc from DbConfigs")));
            return 0;
        }
        if (cmd == QLatin1String("query")) {
            if (rest.size() != 2) {
                err += QStringLiteral("uso: query DATABASE \"SELECT ...\"\n");
                return 2;
            }
            auto cn = ctx.openDatabase(rest[0]);
            printRecordset(cn->query(rest[1]));
            return 0;
        }
    } catch (const DbError &e) {
        err += QStringLiteral("Errore: ") + e.description() + QLatin1Char('\n');
        return 1;
    }
    err += QStringLiteral("Comando sconosciuto: %1. Usare --help per l'elenco dei comandi.\n").arg(cmd);
    return 2;
}

} // namespace qrn::cli

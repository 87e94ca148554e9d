// quarnaro-cli: the program-wide options, the start-up on the program folder and the dispatch
// to the commands.
#include "app/climain.h"
#include "app/clicommand.h"
#include "app/climan.h"

#include "access/accesscache.h"
#include "shell/programfolders.h"
#include "shell/startup.h"
#include "table/datatable.h"
#include "table/export.h"
#include "table/gridops.h"

#include <QRegularExpression>
#include <utility>

namespace qrn::cli {

namespace {

const char *kHelp = "uso: quarnaro-cli [opzioni] COMANDO [argomenti]\n"
                    "\n"
                    "Opzioni:\n"
                    "  --home CARTELLA     cartella del programma (Files/, Databases/, Shape/); predefinita: quella\n"
                    "                      dell'eseguibile o, per il programma installato, la cartella dei dati\n"
                    "                      dell'utente (~/.local/share/Quarnaro)\n"
                    "  --separator C       separatore dei campi CSV (predefinito ';')\n"
                    "  --decimal C         separatore decimale ',' o '.' (predefinito ',')\n"
                    "  --cache CARTELLA    cartella dove i database Access sono importati per la lettura\n"
                    "                      (predefinita: la cartella della cache dell'utente)\n"
                    "  --help              questo testo\n"
                    "\n"
                    "Comandi:\n"
                    "  menu                elenca le voci del menu costruite da DBMainMenu, con il loro contesto\n"
                    "  databases           elenca i database configurati (DbConfigs)\n"
                    "  mappa OPZIONI       con --colonna il cartogramma di una colonna della tabella, con la sua\n"
                    "                      legenda (vedere sotto); con --caso regioni|nuts2|provincia103|\n"
                    "                      provincia107 i soli layer del caso, come li carica la finestra della\n"
                    "                      mappa; --out FILE (.png, .svg o .pdf) [--larghezza N] [--altezza N]\n"
                    "                      (pixel, predefiniti 1600 x 1200); con --colonna anche --out\n"
                    "                      FILE.gpkg, .geojson o .shp: il layer dei territori con codice, nome,\n"
                    "                      valore, classe, etichetta e colore, e accanto lo stile FILE.sld\n"
                    "  pagina OPZIONI      il cartogramma di mappa --colonna impaginato come lo apre l'editor di\n"
                    "                      stampa (titolo, descrizione, legenda, bordo), in un file; con --anni\n"
                    "                      una pagina per anno (vedere sotto)\n"
                    "  grafico OPZIONI     un grafico di una colonna della tabella (istogramma con le classi,\n"
                    "                      serie storica o barre) in un file PNG, SVG o PDF (vedere sotto)\n"
                    "  query DB SQL        esegue una SELECT (sintassi Access) sul database DB (es. Metadati.mdb)\n"
                    "                      e stampa il risultato in CSV, riga di intestazione compresa\n"
                    "  aggiorna --banca-dati FILE.zip | --mappe FILE.zip [--password PASSWORD]\n"
                    "                      installa i database o le mappe di un archivio zip, come la finestra\n"
                    "                      \"Informazioni e aggiornamenti\"; se l'archivio è rifiutato la cartella\n"
                    "                      resta com'era\n"
                    "  scheda CODICE       la scheda metadati di una variabile (es. TR001) o di un indicatore\n"
                    "                      (es. ITR001); con --pdf FILE ne scrive la stampa in un file PDF\n"
                    "  glossario MODO      i termini del glossario: --lettera A, --contiene TESTO, --inizia TESTO\n"
                    "                      o --tutti; --definizione TERMINE stampa la definizione di un termine\n"
                    "  importa FILE [--out FILE.sqlite]\n"
                    "                      importa un database Access (.mdb, .accdb) in SQLite, nella cache o\n"
                    "                      nel file di --out (sostituito se esiste), e stampa tabelle e righe lette\n"
                    "  tabella OPZIONI     la tabella dei dati di una selezione, come la mostra la finestra\n"
                    "                      \"Visualizza ed esporta dati\", in CSV (riga di intestazione compresa)\n"
                    "\n"
                    "Opzioni del comando tabella:\n"
                    "  --db FILE           database dei dati (es. Variabili.mdb); obbligatorio\n"
                    "  --tipo T            Variabili (predefinito) o Indicatori\n"
                    "  --livello L         livello territoriale del menu: R regionale, T (predefinito) tutti\n"
                    "  --voce CODICE-ANNO  una voce e un anno (es. AS013-2005); ripetibile, anche separate da\n"
                    "                      virgole; al massimo 251\n"
                    "  --territori NOMI    territori per nome, separati da virgole (es. \"Torino,Roma\")\n"
                    "  --territorio NOME   un territorio per nome; ripetibile\n"
                    "  --gruppi N,N        partizioni predefinite della finestra di selezione: 1 province - nuts3,\n"
                    "                      2 nuts2, 3 ripartizioni / Italia, 4 aree Fondi strutturali,\n"
                    "                      5 tutto, 6 regioni\n"
                    "  --ordina COLONNA    ordina per la colonna con questa intestazione (es. AS013_2005)\n"
                    "  --discendente       ordine discendente (con --ordina)\n"
                    "  --cerca COLONNA     ricerca nella colonna: con --da X --a Y le righe la cui parte intera è\n"
                    "                      tra X e Y; con il solo --da un numero cerca quel valore intero, un\n"
                    "                      testo le righe uguali al testo (senza distinguere maiuscole)\n"
                    "  --da X, --a Y       i limiti della ricerca\n"
                    "  --selezione         stampa solo le righe trovate dalla ricerca\n"
                    "  --sql               stampa il testo SQL della selezione invece della tabella\n"
                    "  --formula \"ESPR\"    aggiunge un indicatore calcolato con l'espressione, come \"Crea\n"
                    "                      indicatore\": colonne, numeri (col punto decimale), + - * / ^ e\n"
                    "                      parentesi separati da spazi (es. \"( AS013_2005 + 1 ) / AS014_2005\")\n"
                    "  --name N            il nome del nuovo indicatore (lettere e cifre); predefinito Funz1 e\n"
                    "                      l'anno dell'ultima colonna dell'espressione\n"
                    "  --export FILE       scrive la tabella e i metadati in una cartella di lavoro .xlsx o .xls,\n"
                    "                      oppure la sola tabella in un testo .csv (\";\" e virgola decimale, UTF-8)\n"
                    "                      (riordinata per codice del territorio, come \"Esporta in Excel\");\n"
                    "                      un file esistente è sostituito\n"
                    "Le righe sono ordinate per codice del territorio; i valori hanno due decimali con il\n"
                    "separatore di --decimal. Esempio:\n"
                    "  quarnaro-cli tabella --db Variabili.mdb --voce AS013-2005 --gruppi 6 --ordina AS013_2005\n"
                    "\n"
                    "Opzioni del comando mappa con --colonna (oltre a quelle di tabella):\n"
                    "  --colonna COLONNA   la colonna da rappresentare (es. AS013_2005), come \"Crea cartogramma\"\n"
                    "  --metodo M          quartili (predefinito), ampiezza (classi di uguale ampiezza),\n"
                    "                      manuale, naturali (interruzioni naturali di Jenks), devstd (classi\n"
                    "                      di mezza deviazione standard attorno alla media) o boxmap (box map:\n"
                    "                      anomali, quartili, anomali); devstd e boxmap hanno una palette\n"
                    "                      divergente propria\n"
                    "  --classi N          il numero delle classi (con ampiezza e naturali)\n"
                    "  --cardine H         con boxmap, 1,5 (predefinito) o 3: i valori anomali stanno oltre H\n"
                    "                      volte la distanza interquartile dal primo e dal terzo quartile\n"
                    "  --limiti \"a;b;c\"    con manuale, i limiti superiori delle classi successive: la prima\n"
                    "                      parte dal minimo, ognuna dopo 0,01 sopra il limite precedente;\n"
                    "                      l'ultima classe arriva al massimo della colonna\n"
                    "  --colori INIZIO,FINE  i colori della prima e dell'ultima classe (#rrggbb); predefiniti\n"
                    "                      #ffff80,#5555ff\n"
                    "  --palette NOME      una palette sequenziale ColorBrewer (Blues, YlOrRd, Greys, Reds,\n"
                    "                      Greens, OrRd, PuBu, BuGn, YlGn, YlGnBu, YlOrBr), da 1 a 9 classi\n"
                    "  --livello-mappa L   regioni, nuts2 o province, quando la selezione ha più livelli\n"
                    "                      (la finestra \"Selezione territorio\"); va sempre indicato\n"
                    "                      quando i territori sono scelti solo per nome\n"
                    "  --classi-csv FILE   scrive le righe di tMappa (territorio, valore, classe) e quelle della\n"
                    "                      legenda (colore, testo)\n"
                    "  --evidenzia \"A,B,...\"  contorna sull'immagine i territori indicati per nome o per\n"
                    "                      codice (COD_TERR o codice della mappa), come la selezione della\n"
                    "                      finestra della mappa\n"
                    "  --anni ANNI         una mappa per anno: un intervallo (2004-2006) o un elenco\n"
                    "                      (1999,2001); --out è allora la cartella delle immagini (es. mappe/),\n"
                    "                      una per anno (mappe/AS013_2004.png), e --classi-csv FILE.csv dà\n"
                    "                      FILE-ANNO.csv. Un anno senza dati della voce è un errore\n"
                    "  --classi-fisse      con --anni, le classi calcolate una volta sui valori di tutti gli anni\n"
                    "                      insieme: lo stesso colore vale lo stesso valore in ogni anno\n"
                    "Esempio:\n"
                    "  quarnaro-cli mappa --db Variabili.mdb --voce AS013-2005 --gruppi 1 --colonna AS013_2005\n"
                    "      --metodo ampiezza --classi 5 --palette Blues --out mappa.png\n"
                    "\n"
                    "Opzioni del comando pagina (oltre a quelle di mappa con --colonna, tranne --classi-csv ed\n"
                    "--evidenzia):\n"
                    "  --out FILE          il file della pagina: .pdf, .svg (vettoriali), .png, .jpg o .bmp\n"
                    "                      (300 dpi); obbligatorio\n"
                    "  --titolo TESTO      il titolo (predefinito \"Inserire un Titolo\", come nell'editor)\n"
                    "  --descrizione TESTO la descrizione (predefinita il testo della variabile, con il suo anno)\n"
                    "  --anni ANNI         un atlante della voce nel tempo: un intervallo (1996-2008) o un elenco\n"
                    "                      (1999,2001,2005); ogni anno sostituisce quello di --voce e --colonna.\n"
                    "                      Un .pdf riceve una pagina per anno, gli altri formati un file per anno\n"
                    "                      (nome-ANNO.est). Gli anni senza dati sono segnalati e saltati\n"
                    "  --classi-fisse      con --anni, le stesse classi su ogni pagina, calcolate una volta sui\n"
                    "                      valori di tutti gli anni insieme\n"
                    "  --scala             mostra la barra di scala nell'angolo in basso a sinistra della mappa\n"
                    "  --nord              mostra la freccia del nord nell'angolo in alto a destra della mappa\n"
                    "                      (come nell'editor, entrambe nascoste se non richieste)\n"
                    "Esempio:\n"
                    "  quarnaro-cli pagina --db Variabili.mdb --voce AS013-2005 --gruppi 1 --colonna AS013_2005\n"
                    "      --titolo \"AS013 dal 1997 al 2008\" --anni 1997-2008 --out atlante.pdf\n"
                    "\n"
                    "Opzioni del comando grafico (oltre a quelle di tabella):\n"
                    "  --tipo T            istogramma (i valori della colonna divisi in intervalli, colorati come le\n"
                    "                      classi, con i limiti delle classi in linee verticali), serie (la voce\n"
                    "                      della colonna in tutti i suoi anni, una linea per territorio, con la\n"
                    "                      regione o l'Italia tratteggiate quando sono nei dati) o barre (la\n"
                    "                      colonna nell'ordine della tabella); obbligatorio. --tipo si ripete per\n"
                    "                      Variabili o Indicatori\n"
                    "  --colonna COLONNA   la colonna del grafico (es. AS013_2005); obbligatoria\n"
                    "  --territori NOMI    con serie, i territori delle linee (predefiniti: tutti quelli della tabella)\n"
                    "  --metodo M          con istogramma, il metodo delle classi come per mappa (predefinito\n"
                    "                      quartili), con --classi N, --limiti \"a;b;c\" e --cardine H\n"
                    "  --out FILE          il file del grafico: .png, .svg o .pdf; obbligatorio\n"
                    "  --larghezza N, --altezza N  le dimensioni in pixel (predefinite 1000 x 700)\n"
                    "Esempio:\n"
                    "  quarnaro-cli grafico --tipo serie --db Variabili.mdb --voce AS013-2005\n"
                    "      --territori \"Torino,Piemonte\" --colonna AS013_2005 --out serie.svg\n"
                    "\n"
                    "Gli errori sono scritti sullo standard error; lo stato di uscita è 0 se tutto va bene,\n"
                    "1 per un errore, 2 per una riga di comando non valida.\n";

// A start-up host without windows: no folder is asked for, and what the start reports is
// printed and logged through the command's prompt.
class NoWindows : public StartupHost {
public:
    NoWindows(ErrorLog &log, Prompt &prompt) : m_log(log), m_prompt(prompt) { }
    void formatMainWindow() override { }
    void buildMenuBar(const MenuBar &) override { }
    void showSplash() override { }
    QString chooseFolder(const QString &) override { return QString(); }
    void report(const Failure &failure, const QString &module) override
    {
        reportFailure(failure, m_log, &m_prompt, module);
    }

private:
    ErrorLog &m_log;
    Prompt &m_prompt;
};

std::vector<Command> allCommands()
{
    std::vector<Command> all;
    for (auto group :
         {shellCommands, tableCommands, updateCommands, mapCommands, pageCommands, chartCommands, metadataCommands,
          accessCommands})
        for (Command &c : group())
            all.push_back(std::move(c));
    return all;
}

// The options every command takes, before or after the command's name.
void declareProgramOptions(QCommandLineParser &p)
{
    p.addOption(valueOption(QStringLiteral("home"), QStringLiteral("CARTELLA")));
    p.addOption(valueOption(QStringLiteral("separator"), QStringLiteral("C")));
    p.addOption(valueOption(QStringLiteral("decimal"), QStringLiteral("C")));
    p.addOption(valueOption(QStringLiteral("cache"), QStringLiteral("CARTELLA")));
    p.addOption(QCommandLineOption(QStringList {QStringLiteral("h"), QStringLiteral("help")}));
}

// The first argument that is neither an option nor the value of a program-wide one: the
// command's name. The command's own options come after it.
QString commandName(const QStringList &args)
{
    static const QStringList withValue = {QStringLiteral("--home"), QStringLiteral("--separator"),
                                          QStringLiteral("--decimal"), QStringLiteral("--cache")};
    for (int i = 0; i < args.size(); ++i) {
        if (!args[i].startsWith(QLatin1Char('-')))
            return args[i];
        if (withValue.contains(args[i]))
            ++i;
    }
    return QString();
}

// The parser's complaint in Italian.
QString parseError(const QCommandLineParser &p, const QString &command)
{
    if (!p.unknownOptionNames().isEmpty())
        return QStringLiteral("Opzione sconosciuta%1: %2")
            .arg(command.isEmpty() ? QString() : QStringLiteral(" per ") + command,
                 QStringLiteral("--") + p.unknownOptionNames().first());
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("'([^']+)'")).match(p.errorText());
    if (m.hasMatch())
        return QStringLiteral("Manca il valore dopo %1.").arg(m.captured(1));
    return QStringLiteral("Riga di comando non valida.");
}

} // namespace

Answer CollectingPrompt::message(const QString &text, const QString &title, Icon, Buttons buttons)
{
    m_err += (title.isEmpty() ? QString() : title + QStringLiteral(": "))
        + QString(text).replace(QStringLiteral("\r\n"), QStringLiteral(" ")) + QLatin1Char('\n');
    ++m_count;
    return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? Answer::Yes : Answer::Ok;
}

int Session::usage(const QString &reason)
{
    err += reason + QLatin1Char('\n');
    return 2;
}

int Session::fail(const QString &reason)
{
    err += reason + QLatin1Char('\n');
    return 1;
}

void Session::printCsv(const DataTable &table, int firstRow, int lastRow)
{
    auto line = [&](int r) {
        QStringList fields;
        for (int c = 0; c < table.columnCount(); ++c)
            fields << csvField(table.text(r, c), separator);
        out += fields.join(separator) + QLatin1Char('\n');
    };
    if (table.rowCount() > 0)
        line(0);
    for (int r = firstRow; r <= lastRow; ++r)
        line(r);
}

void Session::printCsv(const Recordset &rs)
{
    const DataTable table = grid::tableFromRecordset(rs, ctx.numbers);
    printCsv(table, 1, table.rowCount() - 1);
}

QCommandLineOption valueOption(const QString &name, const QString &valueName)
{
    return QCommandLineOption(name, QString(), valueName);
}

QCommandLineOption flagOption(const QString &name)
{
    return QCommandLineOption(name);
}

QString csvField(const QString &text, QChar separator)
{
    if (!text.contains(separator) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString s = text;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

int run(const QStringList &args, const QString &executableFolder, QString &out, QString &err)
{
    // The manual page, made at build time from the help text (not listed in the help).
    if (args == QStringList {QStringLiteral("--man")}) {
        out += manPage(QString::fromUtf8(kHelp), QStringLiteral(QUARNARO_VERSION));
        return 0;
    }
    const std::vector<Command> commands = allCommands();
    const QString name = commandName(args);
    const Command *command = nullptr;
    for (const Command &c : commands)
        if (c.name == name)
            command = &c;

    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    declareProgramOptions(parser);
    if (command && command->declare)
        command->declare(parser);
    if (!parser.parse(QStringList {QStringLiteral("quarnaro-cli")} + args)) {
        // --help wins over the rest of a wrong line.
        if (!args.contains(QLatin1String("--help")) && !args.contains(QLatin1String("-h"))) {
            err += parseError(parser, command ? name : QString()) + QLatin1Char('\n');
            return 2;
        }
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out += QString::fromUtf8(kHelp);
        return 0;
    }
    const QString separator = parser.value(QStringLiteral("separator"));
    if (parser.isSet(QStringLiteral("separator")) && separator.size() != 1)
        return err += QStringLiteral("--separator vuole un solo carattere.\n"), 2;
    const QString decimal = parser.value(QStringLiteral("decimal"));
    if (parser.isSet(QStringLiteral("decimal")) && decimal != QLatin1String(",") && decimal != QLatin1String("."))
        return err += QStringLiteral("--decimal vuole ',' oppure '.'.\n"), 2;
    if (name.isEmpty())
        return err += QStringLiteral("Nessun comando. Usare --help per l'elenco dei comandi.\n"), 2;
    if (!command)
        return err += QStringLiteral("Comando sconosciuto: %1. Usare --help per l'elenco dei comandi.\n").arg(name), 2;

    // Access-format databases are read through the cache of --cache (the user's by default).
    const QString cacheFolder = parser.value(QStringLiteral("cache"));
    access::AccessCache(cacheFolder).install();

    AppContext ctx;
    // --home, else the installed layout (the user's data folder), else the executable's folder.
    const ProgramFolders folders = LocateProgramFolders(executableFolder, parser.value(QStringLiteral("home")));
    ApplyProgramFolders(ctx, folders);
    if (command->needsStartup) {
        const QString failed = SeedUserFolder(folders);
        if (!failed.isEmpty())
            return err += failed + QLatin1Char('\n'), 1;
    }
    ctx.numbers = decimal == QLatin1String(".") ? NumberFormat::point() : NumberFormat::comma();
    CollectingPrompt prompt(err);
    ctx.setPrompt(&prompt);
    // From here an import shows its progress through the prompt; the prompt ends with this
    // command, so the cache is installed again without it when the command returns.
    access::AccessCache(cacheFolder).install(&prompt);
    struct PromptlessCache {
        const QString &folder;
        ~PromptlessCache() { access::AccessCache(folder).install(); }
    } promptless {cacheFolder};
    NoWindows host(ctx.log, prompt);
    MenuBar bar;
    // The start-up finishes or undoes an interrupted update; a command without it does so here.
    if (!command->needsStartup) {
        if (const std::optional<Failure> recovered = RecoverInterruptedUpdate(ctx))
            ctx.log.writeError(name, recovered->procedure, recovered->number, recovered->message);
    } else if (RunStartup(ctx, host, nullptr, bar) == StartupOutcome::Exit)
        return 1;

    Session session {ctx, prompt, bar, separator.isEmpty() ? QLatin1Char(';') : separator.at(0), out, err, cacheFolder, {}};
    try {
        return command->run(session, parser, parser.positionalArguments().mid(1));
    } catch (const DbError &e) {
        return session.fail(QStringLiteral("Errore: ") + e.description());
    }
}

} // namespace qrn::cli

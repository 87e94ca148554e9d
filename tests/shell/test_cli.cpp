// The command line itself: options, exit statuses and the form of the output. What the commands
// compute is tested on the core they run.

#include "app/climain.h"
#include "support/testfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>
#include <vector>

using qrn::test::TestFolder;

namespace {

struct Outcome {
    int status;
    QString out, err;
};

Outcome cli(const QStringList &args)
{
    Outcome r;
    r.status = qrn::cli::run(args, QString(), r.out, r.err);
    return r;
}

} // namespace

TEST(Cli, QueryPrintsCsvWithTheChosenMarksAndMenuListsTheCommands)
{
    TestFolder tf;
    Outcome r = cli({"--home", tf.path(), "query", "territorio.mdb",
                     "select DES_TERR, Format(1.5, '0.00') as v from land_Ind where COD_TERR = '02'"});
    EXPECT_EQ(r.out, "DES_TERR;v\nValle d'Aosta/Vallée d'Aoste;1,50\n") << r.err.toStdString();
    r = cli({"--home", tf.path(), "--decimal", ".", "--separator", ",", "query", "territorio.mdb",
             "select 'a,b' as x, Format(1.5, '0.00') as v"});
    EXPECT_EQ(r.out, "x,v\n\"a,b\",1.50\n");
    r = cli({"--home", tf.path(), "menu"});
    EXPECT_TRUE(r.out.contains("[2] Dati provinciali e regionali... -> FORMDATITAB Variabili.mdb Variabili P"));
    EXPECT_TRUE(r.out.contains("Indicatori comunali (non disponibili) (disattivata)"));
}

// The sort and the range search themselves are the grid's; here only that the options reach
// them and that the output follows the chosen marks.
TEST(CliTable, OptionsReachTheSelectionAndTheGrid)
{
    TestFolder tf;
    const QStringList base {"--home", tf.path(),       "--decimal", ".",          "--separator", "\t", "tabella",
                            "--db",   "Variabili.mdb", "--voce",    "AS013-2005", "--gruppi",    "6"};
    auto value = [](const QStringList &lines, int row) {
        return *qrn::NumberFormat::point().toNumber(lines.value(row).split('\t').value(6));
    };
    Outcome r = cli(base + QStringList {"--ordina", "AS013_2005", "--discendente"});
    QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 21) << "the header and the 20 regions; " << r.err.toStdString();
    EXPECT_GE(value(lines, 1), value(lines, 20));

    r = cli(base + QStringList {"--cerca", "AS013_2005", "--da", "5000", "--a", "9999.9", "--selezione"});
    lines = r.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.size() > 2 && lines.size() < 21) << "only the selected rows";
    EXPECT_GE(value(lines, 1), 5000);

    // --sql prints the statement of the chosen groups and names instead of running it.
    r = cli({"--home", tf.path(), "tabella", "--db", "Variabili.mdb", "--voce", "AS013-2005", "--gruppi", "3",
             "--territorio", "L'Aquila", "--sql"});
    EXPECT_TRUE(r.out.startsWith("SELECT land_Ind.COD_TIPO_TERR")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("'Nord-ovest'") && r.out.trimmed().endsWith("'L''Aquila')"));
}

TEST(Cli, ProblemsGoToStandardErrorInItalianWithAStatus)
{
    TestFolder tf, empty(false);
    const QStringList query {"--home", tf.path(), "query"};
    const QStringList table {"--home", tf.path(), "tabella", "--db", "Variabili.mdb", "--voce", "AS013-2005"};
    auto withTable = [&](const QStringList &more) { return table + more; };
    const struct {
        QStringList args;
        int status;
        QString err; // a part of standard error
    } cases[] = {
        {query + QStringList {"territorio.mdb", "select * from nessuna"}, 1,
         "Errore: Impossibile trovare la tabella o la query 'nessuna'."},
        // The command promises a SELECT: whatever would write is refused.
        {query + QStringList {"Metadati.mdb", "select 1; DELETE FROM tablelink"}, 1,
         "Errore: Sono ammesse solo istruzioni di lettura (SELECT)"},
        {{"--home", tf.path(), "boh"}, 2, "Comando sconosciuto"},
        {{"--decimal", ";"}, 2, ""},
        {{"--home", empty.path(), "menu"}, 1, "Impossibile trovare i Databases"},
        {withTable({"--territori", "Atlantide"}), 1, "Territorio non trovato: Atlantide\n"},
        {table, 2, "--territori"},
        {withTable({"--gruppi", "7"}), 2, ""},
        {withTable({"--gruppi", "6", "--voce", "AS013"}), 2, "CODICE-ANNO"},
        {withTable({"--gruppi", "6", "--cerca", "AS013_2005", "--da", "5", "--a", "3"}), 1, "Attenzione: "},
        {withTable({"--gruppi", "6", "--ordina", "Nessuna"}), 1, "Nessuna"},
        {withTable({"--gruppi", "6", "--voce", "AS013-1890"}), 1, "AS013"},
    };
    for (const auto &c : cases) {
        const Outcome r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << c.args.join(' ').toStdString();
    }
    const Outcome help = cli({"--help"});
    EXPECT_TRUE(help.status == 0 && help.out.contains("uso: quarnaro-cli") && help.out.contains("--cerca COLONNA"));
}

// Whole runs as separate processes, which may never write into the data databases.

namespace {

// name:hash of every file of the databases folder.
QStringList databaseFiles(const TestFolder &tf)
{
    QStringList files;
    for (const QFileInfo &fi : QDir(tf.file("Databases")).entryInfoList(QDir::Files, QDir::Name))
        files << fi.fileName() + ":"
                + QString::fromLatin1(
                     QCryptographicHash::hash(tf.read("Databases/" + fi.fileName()), QCryptographicHash::Sha1).toHex());
    return files;
}

void setMode(const QString &path, QFile::Permissions p)
{
    ASSERT_TRUE(QFile::setPermissions(path, p)) << path.toStdString();
}

constexpr auto kReadOnlyFile = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
constexpr auto kReadOnlyDir = kReadOnlyFile | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
constexpr auto kOpenDir = kReadOnlyDir | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;

// Waits for a run of the program: its exit status 0 and an empty standard error.
void expectClean(QProcess &p, int round = 0)
{
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 0) << round << ": " << err.toStdString();
    EXPECT_TRUE(err.isEmpty()) << round << ": " << err.toStdString();
}

} // namespace

TEST(StartProcesses, AReadOnlyDatabasesFolderServesTheTableRoad)
{
    TestFolder tf;
    const QStringList before = databaseFiles(tf);
    // The administrator would write anyway: the program then runs as an ordinary user.
    QString program = QStringLiteral(QUARNARO_CLI);
    QStringList args;
    if (::geteuid() == 0) {
        program = QStringLiteral("setpriv");
        args = {"--reuid=65534", "--regid=65534", "--clear-groups", QStringLiteral(QUARNARO_CLI)};
        setMode(tf.path(), kReadOnlyDir);
        setMode(tf.file("Files"), kOpenDir);
    }
    for (const QFileInfo &fi : QDir(tf.file("Databases")).entryInfoList(QDir::Files))
        setMode(fi.filePath(), kReadOnlyFile);
    setMode(tf.file("Databases"), kReadOnlyDir);

    QProcess p;
    p.start(program,
            args
                + QStringList {"--home", tf.path(), "tabella", "--db", "Variabili.mdb", "--voce", "AS013-2005",
                               "--gruppi", "6"});
    expectClean(p);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).count('\n'), 21) << "the header and the 20 regions";
    EXPECT_FALSE(QFileInfo::exists(tf.file("Files/Error.log")));
    setMode(tf.file("Databases"), kOpenDir);
    setMode(tf.path(), kOpenDir);
    EXPECT_EQ(databaseFiles(tf), before);
}

TEST(StartProcesses, EightFirstStartsAtOnceAllSucceed)
{
    for (int round = 0; round < 4; ++round) {
        TestFolder tf;
        const QStringList before = databaseFiles(tf);
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int i = 0; i < 8; ++i) {
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->start(QStringLiteral(QUARNARO_CLI), {"--home", tf.path(), "menu"});
        }
        for (auto &p : runs)
            expectClean(*p, round);
        EXPECT_EQ(databaseFiles(tf), before) << round;
    }
}

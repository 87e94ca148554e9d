// quarnaro-cli mappa --colonna: its options and exit codes, the files it writes, the rows of
// --classi-csv, and the years of the atlas. The classes and colours are the core's tests.

#include "app/cli_thematic.h"
#include "app/climain.h"
#include "map/legend.h"
#include "map/mapdata.h"
#include "support/testfolder.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace qrn;

namespace {

struct Cli {
    test::TestFolder tf;
    QString out, err;
    int run(const QStringList &args)
    {
        out.clear();
        err.clear();
        return cli::run(QStringList {"--home", tf.path()} + args, QString(), out, err);
    }
    QStringList mappa(const QStringList &more) const
    {
        return QStringList {"mappa", "--db", "Variabili.mdb", "--voce", "AS013-2005"} + more;
    }
    // mappa of the column AS013_2005 of the provinces.
    QStringList prov(const QStringList &more) const
    {
        return mappa(QStringList {"--gruppi", "1", "--colonna", "AS013_2005"} + more);
    }
    ::testing::AssertionResult ok(const QStringList &args)
    {
        return run(args) == 0 ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << err.toStdString();
    }
};

} // namespace

TEST(CliThematic, OptionsAndExitCodes)
{
    Cli c;
    const QString png = c.tf.file(QStringLiteral("m.png"));
    struct Case {
        QStringList args;
        int rc;
        QString message; // part of standard error
    };
    const QStringList prov = {"--gruppi", "1", "--colonna", "AS013_2005", "--out", png};
    const Case cases[] = {
        {prov + QStringList {"--metodo", "mediana"}, 2, "--metodo"},
        {prov + QStringList {"--metodo", "ampiezza"}, 2, "--classi"},
        {prov + QStringList {"--metodo", "naturali", "--classi", "tre"}, 2, "--classi"},
        {prov + QStringList {"--limiti", "1;2"}, 2, "--limiti"},
        {prov + QStringList {"--metodo", "manuale"}, 2, "--limiti"},
        {prov + QStringList {"--colori", "rosso,blu"}, 2, "#rrggbb"},
        {prov + QStringList {"--palette", "Arcobaleno"}, 2, "Palette sconosciuta"},
        {prov + QStringList {"--palette", "Blues", "--colori", "#000000,#ffffff"}, 2, "--palette"},
        {prov + QStringList {"--caso", "regioni"}, 2, "--caso"},
        {{"--gruppi", "1", "--colonna", "AS013_2005"}, 2, "--out"},
        {{"--gruppi", "1", "--colonna", "AS013_2005", "--out", c.tf.file(QStringLiteral("m.gif"))}, 2, "--out"},
        {{"--gruppi", "1,6", "--colonna", "AS013_2005", "--out", png}, 2, "--livello-mappa"},
        // A refusal of the core: its message, exit 1.
        {{"--gruppi", "1", "--colonna", "COD_TERR", "--out", png}, 1, map::kSelectVariable},
        {prov + QStringList {"--metodo", "naturali", "--classi", "12", "--palette", "Blues"}, 1, "da 1 a 9"},
        {prov + QStringList {"--cardine", "3"}, 2, "--cardine va con --metodo boxmap"},
        {prov + QStringList {"--metodo", "boxmap", "--cardine", "2"}, 2, "--cardine vuole"},
        {prov + QStringList {"--metodo", "devstd", "--palette", "Blues"}, 2, "palette divergente"},
    };
    for (const Case &k : cases) {
        EXPECT_EQ(c.run(c.mappa(k.args)), k.rc) << k.args.join(' ').toStdString();
        EXPECT_TRUE(c.err.contains(k.message)) << c.err.toStdString();
        EXPECT_FALSE(QFile::exists(png)) << k.args.join(' ').toStdString();
    }
    // Manual limits short of the maximum: the last class closes at it. Vector files too.
    for (const QString ext : {"svg", "pdf"}) {
        const QString file = c.tf.file("m." + ext);
        ASSERT_TRUE(c.ok(c.prov({"--metodo", "manuale", "--limiti", "1000;5000", "--out", file})));
        EXPECT_TRUE(c.out.contains(" in 3 classi")) << c.out.toStdString();
        EXPECT_TRUE(c.tf.read("m." + ext).left(400).contains(ext == "svg" ? "<svg" : "%PDF")) << ext.toStdString();
    }
}

// The CSV holds the rows of tMappa and the legend rows in the colours of --colori; its counts
// agree with the message.
TEST(CliThematic, PictureAndClassRowsAgree)
{
    Cli c;
    const QString png = c.tf.file("m.png");
    ASSERT_TRUE(c.ok(c.prov({"--colori", "#ff0000,#0000ff", "--out", png, "--larghezza", "1000", "--altezza", "800",
                             "--classi-csv", c.tf.file("m.csv")})));
    EXPECT_EQ(QImage(png).size(), QSize(1000, 800));
    const QStringList sections = QString::fromUtf8(c.tf.read("m.csv")).split("\n\n");
    ASSERT_EQ(sections.size(), 2);
    QStringList rows = sections[0].split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(rows.takeFirst(), "N_TERCO;AS013_2005;N4");
    QStringList legend = sections[1].split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(legend.takeFirst(), "Colore;Legenda;Territori");
    ASSERT_EQ(legend.size(), 5);
    EXPECT_TRUE(legend[0].startsWith("#ff0000;") && legend[3].startsWith("#0000ff;"));
    EXPECT_TRUE(legend.last().startsWith("#ffffff; Dato non presente;"));
    int inClasses = 0;
    for (int k = 0; k < 4; ++k)
        inClasses += legend[k].section(';', 2, 2).toInt();
    EXPECT_EQ(inClasses, rows.size());
    const int withoutValue = legend.last().section(';', 2, 2).toInt();
    EXPECT_GT(withoutValue, 0);
    EXPECT_TRUE(c.out.startsWith(QStringLiteral("AS013_2005: %1 territori: %2 in 4 classi, %3 senza dato, mappa ")
                                     .arg(rows.size() + withoutValue)
                                     .arg(rows.size())
                                     .arg(withoutValue)))
        << c.out.toStdString();
}

// --metodo boxmap and --cardine reach the box map (whose classes are its own test): the wide hinge
// moves the fences, so the classes of --classi-csv differ.
TEST(CliThematic, CardineReachesTheBoxMap)
{
    Cli c;
    QStringList classes;
    for (const QString hinge : {"1.5", "3"}) {
        ASSERT_TRUE(c.ok(c.prov({"--out", c.tf.file("m.png"), "--classi-csv", c.tf.file("m.csv"), "--metodo", "boxmap",
                                 "--cardine", hinge})));
        classes << QString::fromUtf8(c.tf.read("m.csv")).section("\n\n", 1);
    }
    EXPECT_NE(classes[0], classes[1]);
}

TEST(CliThematic, AMapThatColoursNothingFailsAndIsLogged)
{
    Cli c;
    const QString png = c.tf.file("m.png");
    const QByteArray config = c.tf.read("Files/ShapeConfig.xml");
    // The join layer without the field FieldId names (the ways a join fails are the core's).
    c.tf.write("Files/ShapeConfig.xml",
               QByteArray(config).replace("<FieldId>COD_PRO</FieldId>", "<FieldId>CODICE</FieldId>"));
    EXPECT_EQ(c.run(c.prov({"--out", png})), 1);
    EXPECT_TRUE(c.err.contains("non ha il campo CODICE")) << c.err.toStdString();
    EXPECT_FALSE(QFile::exists(png));
    EXPECT_EQ(c.run({"pagina", "--db", "Variabili.mdb", "--voce", "AS013-2005", "--gruppi", "1", "--colonna",
                     "AS013_2005", "--out", c.tf.file("p.pdf")}),
              1);
    const QStringList log = QString::fromLatin1(c.tf.read("Files/Error.log")).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log[0].contains(" - Module:mappa Function: BuildValueRenderer Error N. Description:Il layer "))
        << log[0].toStdString();
    EXPECT_TRUE(log[1].contains("Module:pagina")) << log[1].toStdString();

    // The layer of the 103 provinces for a table of 107: the map is drawn and says how many of
    // the territories it shows.
    c.tf.write("Files/ShapeConfig.xml",
               QByteArray(config).replace("<FileName>province107</FileName>", "<FileName>province103</FileName>"));
    ASSERT_TRUE(c.ok(c.prov({"--out", png})));
    const QRegularExpressionMatch m = QRegularExpression(" (\\d+) di (\\d+) territori sulla mappa").match(c.out);
    ASSERT_TRUE(m.hasMatch()) << c.out.toStdString();
    EXPECT_LT(m.captured(1).toInt(), m.captured(2).toInt());
}

// Files that cannot be written: the error is Italian, with no words of the system, and the
// system's words go to Error.log.
TEST(CliThematic, UnwrittenFilesAreReportedInItalianAndLogged)
{
    Cli c;
    const QString png = c.tf.file("manca/m.png"), csv = c.tf.file("manca/m.csv");
    const std::pair<QStringList, QString> cases[] = {{{"--out", png}, png},
                                                     {{"--out", c.tf.file("m.png"), "--classi-csv", csv}, csv}};
    for (const auto &[more, missing] : cases) {
        EXPECT_EQ(c.run(c.prov(more)), 1) << missing.toStdString();
        EXPECT_EQ(c.err, QStringLiteral("Errore: Impossibile scrivere il file %1.\n").arg(missing));
        const QString log = QString::fromUtf8(c.tf.read("Files/Error.log"));
        EXPECT_TRUE(log.contains(QStringLiteral("Impossibile scrivere il file %1. [").arg(missing)))
            << log.toStdString();
    }
}

TEST(CliThematic, WritesTheThematicLayerWithItsStyle)
{
    Cli c;
    ASSERT_TRUE(c.ok(c.prov({"--palette", "Blues", "--out", c.tf.file(QStringLiteral("province.gpkg"))})));
    EXPECT_TRUE(c.out.contains(c.tf.file(QStringLiteral("province.sld")))) << c.out.toStdString();
    // The palette reached the classes that were written (their style is the export's own test).
    const QByteArray sld = c.tf.read(QStringLiteral("province.sld"));
    for (const QColor &blue : map::sequentialPalette(QStringLiteral("Blues"), 4))
        EXPECT_TRUE(sld.contains(blue.name().toLatin1())) << blue.name().toStdString();
    EXPECT_EQ(c.run(c.prov({"--out", c.tf.file("m.kml")})), 2);
}

// --evidenzia reaches the drawing (what is outlined is the core's test), by name or code; a
// territory not on the map and a layer file are refused.
TEST(CliThematic, EvidenziaOutlinesTheNamedTerritories)
{
    Cli c;
    const QStringList base {"--larghezza", "400", "--altezza", "300"};
    const QString plain = c.tf.file("plain.png"), marked = c.tf.file("marked.png");
    ASSERT_TRUE(c.ok(c.prov(base + QStringList {"--out", plain})));
    ASSERT_TRUE(c.ok(c.prov(base + QStringList {"--out", marked, "--evidenzia", " torino ,058"})));
    EXPECT_NE(QImage(plain), QImage(marked));
    EXPECT_EQ(c.run(c.prov(base + QStringList {"--out", marked, "--evidenzia", "Torino,Atlantide"})), 2);
    EXPECT_TRUE(c.err.contains("Atlantide")) << c.err.toStdString();
    EXPECT_EQ(c.run(c.prov(base + QStringList {"--out", c.tf.file("m.gpkg"), "--evidenzia", "Torino"})), 2);
}

namespace {

// The legend rows (colour and label, without the counts) of a --classi-csv file.
QStringList legendOf(const QByteArray &csv)
{
    QStringList rows = QString::fromUtf8(csv).split("\n\n").value(1).split('\n', Qt::SkipEmptyParts).mid(1);
    for (QString &r : rows)
        r = r.section(';', 0, 1);
    return rows;
}

} // namespace

// mappa --anni: one picture per year named after its column; with --classi-fisse the same class
// limits every year, without them each year's own; the years the item lacks are refused.
TEST(CliThematic, YearsWithFixedOrOwnClasses)
{
    Cli c;
    const QString dir = c.tf.file("anni/");
    const QStringList years = {"--anni", "2004-2006", "--out", dir, "--classi-csv", c.tf.file("anni/c.csv")};
    ASSERT_TRUE(c.ok(c.prov(years + QStringList {"--classi-fisse"})));
    for (const char *year : {"2004", "2005", "2006"})
        EXPECT_FALSE(QImage(dir + QStringLiteral("AS013_%1.png").arg(year)).isNull()) << year;
    const QStringList fixed2004 = legendOf(c.tf.read("anni/c-2004.csv"));
    ASSERT_EQ(fixed2004.size(), 5);
    EXPECT_EQ(legendOf(c.tf.read("anni/c-2005.csv")), fixed2004);
    EXPECT_EQ(legendOf(c.tf.read("anni/c-2006.csv")), fixed2004);

    ASSERT_TRUE(c.ok(c.prov(years)));
    const QStringList own2004 = legendOf(c.tf.read("anni/c-2004.csv"));
    EXPECT_NE(own2004, legendOf(c.tf.read("anni/c-2006.csv")));
    EXPECT_NE(own2004, fixed2004);

    EXPECT_EQ(c.run(c.prov({"--anni", "1995-1997", "--out", dir})), 1);
    EXPECT_TRUE(c.err.startsWith("La voce AS013 non ha dati per gli anni 1995, 1996 (anni presenti: 1997,"))
        << c.err.toStdString();
    EXPECT_EQ(c.run(c.prov({"--anni", "2008-2006", "--out", dir})), 2);
    EXPECT_EQ(c.run(c.prov({"--anni", "2005", "--out", "m.png"})), 2);
    EXPECT_EQ(c.run(c.prov({"--classi-fisse", "--out", "m.png"})), 2);
}

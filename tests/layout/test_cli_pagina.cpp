// quarnaro-cli pagina: the atlas of --anni with its texts, and the wrong command lines.

#include "app/climain.h"
#include "metadata/pdftext.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace qrn;

namespace {

struct Cli {
    test::TestFolder tf;
    QString out, err;
    int run(const QStringList &args)
    {
        out.clear(), err.clear();
        return cli::run(QStringList {"--home", tf.path(), "pagina", "--db", "Variabili.mdb", "--voce", "AS013-2005",
                                     "--gruppi", "6", "--colonna", "AS013_2005"}
                            + args,
                        QString(), out, err);
    }
};

} // namespace

TEST(CliPagina, AtlasOfTheYearsWithThoseWithoutData)
{
    Cli cli;
    // AS013 has data from 1997: 1996 is named and skipped, the other years are written.
    const QString pdf = cli.tf.file(QStringLiteral("atlante.pdf"));
    ASSERT_EQ(cli.run({"--anni", "1996-1998", "--titolo", "Rete stradale", "--out", pdf}), 0) << cli.err.toStdString();
    EXPECT_EQ(cli.err, QStringLiteral("Anni senza dati per AS013, pagine non scritte: 1996.\n"));
    EXPECT_EQ(cli.out, QStringLiteral("AS013_1997, AS013_1998: 2 pagine in %1\n").arg(pdf));
    const QString text = test::pdfText(pdf); // the description is the variable's text
    EXPECT_TRUE(text.contains("Rete stradale - 1998") && text.contains("AS013_1998:")) << text.toStdString();

    // Other formats: one file per year of the list; the description given reaches the page.
    const QString svg = cli.tf.file(QStringLiteral("atlante.svg"));
    ASSERT_EQ(cli.run({"--anni", "2005, 1999", "--descrizione", "Fonte: Istat", "--scala", "--nord", "--out", svg}), 0)
        << cli.err.toStdString();
    EXPECT_TRUE(cli.err.isEmpty()) << cli.err.toStdString();
    const QString svg2005 = cli.tf.file(QStringLiteral("atlante-2005.svg"));
    EXPECT_EQ(cli.out,
              QStringLiteral("AS013_2005: pagina in %1\nAS013_1999: pagina in %2\n")
                  .arg(svg2005, cli.tf.file(QStringLiteral("atlante-1999.svg"))));
    QFile f(svg2005);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray drawn = f.readAll();
    EXPECT_TRUE(drawn.contains("Fonte: Istat"));
    // The switches show the scale bar and the north arrow, hidden in the page of 1997 above.
    EXPECT_TRUE(drawn.contains(" km<") && drawn.contains(">N<")) << drawn.right(3000).toStdString();

    // No year with data: nothing written, status 1.
    const QString none = cli.tf.file(QStringLiteral("nessuno.pdf"));
    EXPECT_EQ(cli.run({"--anni", "1990,1991", "--out", none}), 1);
    EXPECT_TRUE(cli.err.startsWith(QStringLiteral("Anni senza dati per AS013, pagine non scritte: 1990, 1991.\n")));
    EXPECT_FALSE(QFile::exists(none));
}

TEST(CliPagina, WrongCommandLines)
{
    Cli cli;
    const QString pdf = cli.tf.file(QStringLiteral("p.pdf"));
    struct Case {
        QStringList args;
        int rc;
        const char *message;
    };
    const Case cases[] = {
        {{}, 2, "--out FILE"},
        {{"--out", cli.tf.file(QStringLiteral("p.gif"))}, 2, "--out FILE"},
        {{"--out", pdf, "--anni", "2008-1996"}, 2, "--anni"},
        {{"--out", pdf, "--anni", "1999,,2001"}, 2, "--anni"},
        {{"--out", pdf, "--caso", "regioni"}, 2, "--caso"},
        {{"--out", pdf, "--classi-csv", cli.tf.file(QStringLiteral("c.csv"))}, 2, "--classi-csv"},
        {{"--out", pdf, "--metodo", "nessuno"}, 2, "--metodo"},
        {{"--out", pdf, "--anni", "2005", "--metodo", "nessuno"}, 2, "--metodo"},
        {{"--out", pdf, "in_più"}, 2, "in_più"},
        {{"--out", cli.tf.file(QStringLiteral("manca/p.pdf"))}, 1, "manca/p.pdf"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(cli.run(c.args), c.rc) << c.args.join(' ').toStdString();
        EXPECT_TRUE(cli.err.contains(QString::fromUtf8(c.message))) << cli.err.toStdString();
        EXPECT_TRUE(cli.out.isEmpty()) << cli.out.toStdString();
    }
    EXPECT_TRUE(QDir(cli.tf.path()).entryList({"p.*"}).isEmpty());
}

// --classi-fisse: every page of the atlas carries the classes of all its years, and says so.
TEST(CliPagina, FixedClassesOnEveryPage)
{
    Cli cli;
    const QString pdf = cli.tf.file(QStringLiteral("fisse.pdf"));
    ASSERT_EQ(cli.run({"--anni", "2004,2006", "--classi-fisse", "--out", pdf}), 0) << cli.err.toStdString();
    const QString text = test::pdfText(pdf);
    EXPECT_EQ(text.count(QStringLiteral("Classi fisse 2004–2006")), 2) << text.toStdString();
    // The first class of both pages starts at the lowest value of the two years.
    const QRegularExpression first(QStringLiteral("Da ([0-9.,]+) a"));
    QStringList starts;
    for (const QRegularExpressionMatch &m : first.globalMatch(text))
        starts << m.captured(1);
    ASSERT_EQ(starts.size(), 8) << text.toStdString();
    EXPECT_EQ(starts.mid(0, 4), starts.mid(4, 4));

    EXPECT_EQ(cli.run({"--classi-fisse", "--out", pdf}), 2);
}

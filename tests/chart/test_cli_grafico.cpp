// quarnaro-cli grafico: each chart type to each file type, with its title inside, and the
// command's errors.

#include "app/climain.h"
#include "support/testfolder.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

namespace {

const QStringList kSelection {"--db", "Variabili.mdb", "--voce", "AS013-2005", "--gruppi", "1", "--colonna", "AS013_2005"};

} // namespace

// Each chart type once and each file type once: the type and the file are chosen apart.
TEST(CliGrafico, WritesEachChartTypeAsPngSvgAndPdf)
{
    qrn::test::TestFolder tf;
    const QStringList serie {"--db", "Variabili.mdb", "--voce", "AS013-2005", "--territori", "Torino", "--colonna",
                             "AS013_2005"};
    const std::tuple<QString, QString, QStringList> charts[] = {{"istogramma", "png", kSelection},
                                                                {"serie", "svg", serie},
                                                                {"barre", "pdf", kSelection}};
    for (const auto &[type, ext, selection] : charts) {
        const QString out = tf.file(type + "." + ext);
        QString o, e;
        ASSERT_EQ(qrn::cli::run(QStringList {"--home", tf.path(), "grafico", "--tipo", type, "--out", out} + selection,
                                QString(), o, e),
                  0)
            << type.toStdString() << ": " << e.toStdString();
        const QByteArray bytes = tf.read(type + "." + ext);
        if (ext == "png") {
            EXPECT_EQ(QImage(out).size(), QSize(1000, 700));
        } else if (ext == "pdf") {
            EXPECT_TRUE(bytes.startsWith("%PDF"));
        } else { // the Italian title and the names of the lines are in the drawing
            for (const char *marker : {"Serie storica di AS013 dal 1997 al 2008", "Torino", "Piemonte"})
                EXPECT_TRUE(QString::fromUtf8(bytes).contains(marker)) << marker;
        }
    }
}

TEST(CliGrafico, RefusesWrongCommandLinesAndReportsFailures)
{
    qrn::test::TestFolder tf;
    const QString out = tf.file("g.png");
    const std::pair<QStringList, int> cases[] = {
        {QStringList {"grafico", "--out", out} + kSelection, 2},
        {QStringList {"grafico", "--tipo", "torta", "--out", out} + kSelection, 2},
        {QStringList {"grafico", "--tipo", "barre"} + kSelection, 2},
        {QStringList {"grafico", "--tipo", "barre", "--out", tf.file("g.gif")} + kSelection, 2},
        {QStringList {"grafico", "--tipo", "barre", "--out", out} + kSelection.mid(0, 6), 2},
        {QStringList {"grafico", "--tipo", "barre", "--out", out} + kSelection.mid(0, 7) + QStringList {"XX_2005"}, 1},
        {QStringList {"grafico", "--tipo", "serie", "--out", out} + kSelection.mid(0, 7) + QStringList {"Territorio"},
         1},
        {QStringList {"grafico", "--tipo", "istogramma", "--metodo", "ampiezza", "--out", out} + kSelection, 1},
        {QStringList {"grafico", "--tipo", "barre", "--out", tf.file("manca/g.png")} + kSelection, 1}};
    for (const auto &[args, rc] : cases) {
        QString o, e;
        EXPECT_EQ(qrn::cli::run(QStringList {"--home", tf.path()} + args, QString(), o, e), rc)
            << args.join(' ').toStdString();
        EXPECT_FALSE(e.isEmpty()) << args.join(' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));
    // The chart type and the kind of items share --tipo.
    QString o, e;
    EXPECT_EQ(qrn::cli::run(QStringList {"--home", tf.path(), "grafico", "--tipo", "barre", "--tipo", "Variabili",
                                         "--out", out} + kSelection,
                            QString(), o, e),
              0)
        << e.toStdString();
}

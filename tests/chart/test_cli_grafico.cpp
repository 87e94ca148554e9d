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

TEST(CliGrafico, WritesEachChartTypeAsPngSvgAndPdf)
{
    qrn::test::TestFolder tf;
    const std::pair<QString, QStringList> charts[] = {
        {"istogramma", {"Istogramma di AS013_2005"}},
        {"serie", {"Serie storica di AS013 dal 1997 al 2008", "Torino", "Piemonte"}},
        {"barre", {"AS013_2005 per territorio"}}};
    for (const auto &[type, markers] : charts)
        for (const QString ext : {"png", "svg", "pdf"}) {
            const QString out = tf.file(type + "." + ext);
            QStringList args {"--home", tf.path(), "grafico", "--tipo", type, "--out", out};
            args += kSelection;
            if (type == "serie")
                args = QStringList {"--home", tf.path(), "grafico", "--tipo", "serie", "--out", out, "--db",
                                    "Variabili.mdb", "--voce", "AS013-2005", "--territori", "Torino",
                                    "--colonna", "AS013_2005"};
            QString o, e;
            ASSERT_EQ(qrn::cli::run(args, QString(), o, e), 0) << type.toStdString() << ": " << e.toStdString();
            const QByteArray bytes = tf.read(type + "." + ext);
            if (ext == "png") {
                EXPECT_TRUE(bytes.startsWith("\x89PNG"));
                EXPECT_EQ(QImage(out).size(), QSize(1000, 700));
            } else if (ext == "pdf") {
                EXPECT_TRUE(bytes.startsWith("%PDF"));
            } else {
                // The texts are in the drawing, Italian titles and the names of the lines.
                for (const QString &marker : markers)
                    EXPECT_TRUE(QString::fromUtf8(bytes).contains(marker)) << type.toStdString() << ": "
                                                                           << marker.toStdString();
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
        {{"grafico", "--tipo", "barre", "--out", out, "--db", "Variabili.mdb", "--voce", "AS013-2005", "--gruppi", "1"}, 2},
        {{"grafico", "--tipo", "barre", "--out", out, "--db", "Variabili.mdb", "--voce", "AS013-2005", "--gruppi", "1",
          "--colonna", "XX_2005"},
         1},
        {{"grafico", "--tipo", "serie", "--out", out, "--db", "Variabili.mdb", "--voce", "AS013-2005", "--gruppi", "1",
          "--colonna", "Territorio"},
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

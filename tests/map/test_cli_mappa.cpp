// quarnaro-cli mappa: every case of the sample to every file type, and the command's errors.

#include "app/climain.h"
#include "support/testfolder.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

TEST(CliMappa, DrawsEveryCaseToEveryFileTypeAndRefusesWrongCommandLines)
{
    qrn::test::TestFolder tf;
    QString o, e;
    for (const QString caso : {"regioni", "nuts2", "provincia103", "provincia107"})
        for (const QString ext : {"png", "svg", "pdf"}) {
            const QString out = caso + "." + ext;
            ASSERT_EQ(qrn::cli::run({"--home", tf.path(), "mappa", "--caso", caso, "--out", tf.file(out), "--larghezza",
                                     "400", "--altezza", "300"},
                                    QString(), o, e),
                      0)
                << e.toStdString();
            if (ext == "png")
                EXPECT_EQ(QImage(tf.file(out)).size(), QSize(400, 300));
            else
                EXPECT_TRUE(tf.read(out).left(200).contains(ext == "pdf" ? "%PDF" : "<svg")) << out.toStdString();
        }

    const QString out = tf.file("m.png");
    const std::pair<QStringList, int> cases[] = {{{"mappa", "--caso", "regioni"}, 2},
                                                 {{"mappa", "--out", out}, 2},
                                                 {{"mappa", "--caso", "regioni", "--out", out, "--larghezza", "x"}, 2},
                                                 {{"mappa", "--caso", "regioni", "--out", out, "--altezza", "0"}, 2},
                                                 {{"mappa", "--caso", "regioni", "--out", out, "--scala"}, 2},
                                                 {{"mappa", "--caso", "comuni", "--out", out}, 1},
                                                 {{"mappa", "--caso", "regioni", "--out", tf.file("m.gif")}, 1}};
    for (const auto &[args, rc] : cases) {
        e.clear();
        EXPECT_EQ(qrn::cli::run(QStringList {"--home", tf.path()} + args, QString(), o, e), rc)
            << args.join(' ').toStdString();
        EXPECT_FALSE(e.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(out));
}

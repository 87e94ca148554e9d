// quarnaro-cli mappa: every file type, and the command's errors.

#include "app/climain.h"
#include "support/testfolder.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

TEST(CliMappa, DrawsEveryFileTypeAndRefusesWrongCommandLines)
{
    qrn::test::TestFolder tf;
    QString o, e;
    // Each file type once (the cases themselves load in ShapeConfig.EveryCaseOfTheSampleLoads).
    for (const auto &[caso, ext] : {std::pair {"regioni", "png"}, {"nuts2", "svg"}, {"provincia107", "pdf"}}) {
        const QString out = QString(caso) + "." + ext;
        ASSERT_EQ(qrn::cli::run({"--home", tf.path(), "mappa", "--caso", caso, "--out", tf.file(out), "--larghezza",
                                 "400", "--altezza", "300"},
                                QString(), o, e),
                  0)
            << e.toStdString();
        if (QString(ext) == "png")
            EXPECT_EQ(QImage(tf.file(out)).size(), QSize(400, 300));
        else
            EXPECT_TRUE(tf.read(out).left(200).contains(QString(ext) == "pdf" ? "%PDF" : "<svg")) << out.toStdString();
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

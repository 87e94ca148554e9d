// quarnaro-cli mappa: every case of the sample to every file type, and the command's errors.

#include "app/climain.h"
#include "support/testfolder.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

TEST(CliMappa, DrawsEveryCaseToEveryFileType)
{
    qrn::test::TestFolder tf;
    for (const char *caso : {"regioni", "nuts2", "provincia103", "provincia107"}) {
        for (const char *ext : {"png", "svg", "pdf"}) {
            const QString out = tf.file(QStringLiteral("%1.%2").arg(QLatin1String(caso), QLatin1String(ext)));
            QString o, e;
            ASSERT_EQ(qrn::cli::run({"--home", tf.path(), "mappa", "--caso", caso, "--out", out, "--larghezza", "400",
                                     "--altezza", "300"},
                                    QString(), o, e),
                      0)
                << e.toStdString();
            QFile f(out);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << caso << ext;
            const QByteArray head = f.read(200);
            if (QLatin1String(ext) == QLatin1String("pdf"))
                EXPECT_TRUE(head.startsWith("%PDF"));
            else if (QLatin1String(ext) == QLatin1String("svg"))
                EXPECT_TRUE(head.contains("<svg"));
            else
                EXPECT_EQ(QImage(out).size(), QSize(400, 300));
        }
    }
}

TEST(CliMappa, WrongCommandLinesAndCases)
{
    qrn::test::TestFolder tf;
    struct Case {
        QStringList args;
        int rc;
    };
    const QString out = tf.file(QStringLiteral("m.png"));
    const Case cases[] = {{{"mappa", "--caso", "regioni"}, 2},
                          {{"mappa", "--out", out}, 2},
                          {{"mappa", "--caso", "regioni", "--out", out, "--larghezza", "x"}, 2},
                          {{"mappa", "--caso", "regioni", "--out", out, "--altezza", "0"}, 2},
                          {{"mappa", "--caso", "regioni", "--out", out, "--scala"}, 2},
                          {{"mappa", "--caso", "comuni", "--out", out}, 1},
                          {{"mappa", "--caso", "regioni", "--out", tf.file(QStringLiteral("m.gif"))}, 1}};
    for (const Case &c : cases) {
        QString o, e;
        EXPECT_EQ(qrn::cli::run(QStringList {"--home", tf.path()} + c.args, QString(), o, e), c.rc)
            << c.args.join(' ').toStdString();
        EXPECT_FALSE(e.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(out));
}

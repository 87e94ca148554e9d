// The JPEG file written over a longer existing one: the new picture and nothing of the old file.

#include "imaging/dibsection.h"
#include "imaging/jpegwriter.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qrn;

TEST(JpegFile, ReplacesALongerFileWhole)
{
    QTemporaryDir dir;
    cDIBSection dib;
    ASSERT_TRUE(dib.CreateByPainting(40, 30, [](QPainter &p) { p.fillRect(0, 0, 40, 30, Qt::darkGreen); }));
    const QString name = dir.filePath(QStringLiteral("pagina.jpg"));
    QFile old(name);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(200000, 'x'));
    old.close();
    ASSERT_TRUE(WriteJpegFile(dib, name, 90, nullptr));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    const QByteArray bytes = old.readAll();
    EXPECT_LT(bytes.size(), 10000);
    EXPECT_TRUE(bytes.endsWith("\xFF\xD9")); // the end of the JPEG is the end of the file
    const QImage back(name, "JPG");
    ASSERT_EQ(back.size(), QSize(40, 30));
    EXPECT_NEAR(back.pixelColor(20, 15).green(), QColor(Qt::darkGreen).green(), 8);
}

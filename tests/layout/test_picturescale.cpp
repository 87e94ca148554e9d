// The map picture on devices of any resolution: a picture replays itself scaled by the device's
// dots per inch, which the surface undoes, so a PDF or a printer shows the map the preview shows.

#include "layout/drawingsurface.h"

#include <QImage>
#include <QPainter>
#include <QPicture>
#include <gtest/gtest.h>

using namespace qrn;

TEST(PictureScale, MapKeepsItsPlaceAndSizeAtEveryDeviceResolution)
{
    QPicture picture;
    {
        QPainter p(&picture);
        p.fillRect(QRectF(0, 0, 1000, 1000), QColor(200, 220, 240));
        p.setClipRect(QRectF(0, 0, 1000, 1000)); // as a map view draws: clipped to its frame
        p.fillRect(QRectF(400, 400, 200, 200), Qt::red);
    }
    for (int dpi : {96, 300, 1200}) {
        QImage device(400, 400, QImage::Format_RGB32);
        device.setDotsPerMeterX(qRound(dpi / 0.0254));
        device.setDotsPerMeterY(qRound(dpi / 0.0254));
        device.fill(Qt::white);
        {
            QPainter painter(&device);
            PainterSurface surface(painter, 100, QPointF(), QSizeF(4, 4));
            // 3 inches at 100 pixels per inch from (50, 50): the red square at 170..230.
            surface.drawPicture(picture, QRectF(0.5, 0.5, 3, 3), QRectF(0, 0, 1000, 1000));
        }
        int x0 = 400, x1 = -1;
        for (int x = 0; x < 400; ++x)
            if (device.pixelColor(x, 200) == QColor(Qt::red))
                x0 = std::min(x0, x), x1 = std::max(x1, x);
        EXPECT_NEAR(x0, 170, 1) << dpi << " dpi";
        EXPECT_NEAR(x1, 229, 1) << dpi << " dpi";
        EXPECT_EQ(device.pixelColor(60, 60), QColor(200, 220, 240)) << dpi << " dpi";
    }
}

// The map widget: what it adds to the view (viewport, mouse, rubber band, flash, repaint).

#include "map/ui/mapwidget.h"
#include "support/testfolder.h"

#include <QApplication>
#include <QPainter>
#include <QWheelEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using qrn::ui::MapWidget;

TEST(MapWidget, FollowsItsSizePaintsTheMapAndReportsTheMouse)
{
    MapWidget w;
    auto layer = qrn::map::ShapeLayer::open(qrn::test::sampleDir() + "/Shape/regioni.shp");
    layer->symbol.color = 0x00FF00;
    w.view().addLayer(layer);
    w.view().backColor = 0xFF0000;
    w.view().setExtent(w.view().fullExtent());
    QSignalSpy extent(&w, &MapWidget::extentChanged);
    w.resize(300, 200);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.view().viewport(), QSize(300, 200));
    EXPECT_GE(extent.count(), 1);
    w.setScaleBarVisible(false);
    const QImage img = w.grab().toImage();
    EXPECT_EQ(img.pixelColor(1, 1), QColor(0, 0, 255));
    int green = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            green += img.pixelColor(x, y) == QColor(0, 255, 0);
    EXPECT_GT(green, 300 * 200 / 20);
    const int before = int(extent.count());
    w.view().setExtent(qrn::map::scaleRect(w.view().extent(), 1.5));
    EXPECT_EQ(extent.count(), before + 1);
    EXPECT_GT(w.scaleDenominator(), 0);

    QSignalSpy pressed(&w, &MapWidget::mousePressed), tracked(&w, &MapWidget::rectangleTracked);
    QTest::mouseClick(&w, Qt::RightButton, Qt::NoModifier, QPoint(10, 20));
    ASSERT_EQ(pressed.count(), 1);
    EXPECT_EQ(pressed[0][0].value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(pressed[0][2].toPointF(), QPointF(10, 20));
    EXPECT_EQ(tracked.count(), 0); // tracking is off

    // With Shift a drag is a selecting band, adding with Ctrl too; a Shift+click covers its pixel.
    QSignalSpy band(&w, &MapWidget::bandSelected);
    QTest::mousePress(&w, Qt::LeftButton, Qt::ShiftModifier, QPoint(120, 40));
    QTest::mouseMove(&w, QPoint(60, 90));
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::ShiftModifier, QPoint(60, 90));
    QTest::mouseClick(&w, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(30, 30));
    ASSERT_EQ(band.count(), 2);
    EXPECT_EQ(band[0][0].toRectF(),
              QRectF(w.view().toMapPoint(QPointF(60, 40)), w.view().toMapPoint(QPointF(121, 91))).normalized());
    EXPECT_FALSE(band[0][1].toBool());
    EXPECT_EQ(band[1][0].toRectF(),
              QRectF(w.view().toMapPoint(QPointF(30, 30)), w.view().toMapPoint(QPointF(31, 31))).normalized());
    EXPECT_TRUE(band[1][1].toBool());
    EXPECT_EQ(tracked.count(), 0);

    w.setRectangleTracking(true);
    QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, QPoint(100, 50));
    QTest::mouseMove(&w, QPoint(200, 150));
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
    ASSERT_EQ(tracked.count(), 1);
    const QPointF a = w.view().toMapPoint(QPointF(100, 50)), b = w.view().toMapPoint(QPointF(200, 150));
    EXPECT_EQ(tracked[0][0].toRectF(), QRectF(a, b).normalized());
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30)); // no drag: no rectangle
    ASSERT_EQ(tracked.count(), 2);
    EXPECT_TRUE(tracked[1][0].toRectF().isNull());
    QTest::mouseClick(&w, Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 30)); // Shift zooms out instead
    EXPECT_EQ(tracked.count(), 2);
    EXPECT_EQ(band.count(), 2);

    w.flash(*w.view().layer(0), 0);
    EXPECT_TRUE(w.flashing());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.flashing(); }, 2000));
}

// A drag moves the extent with the pointer; the widget reuses its picture shifted and draws only
// the strips uncovered: what it shows is what a whole drawing of the new extent shows. The wheel
// and the + and - keys zoom by one step.
TEST(MapWidget, PanReusesThePictureAndMatchesAWholeRedraw)
{
    MapWidget w;
    auto layer = qrn::map::ShapeLayer::open(qrn::test::sampleDir() + "/Shape/province107.shp");
    layer->symbol = qrn::map::Symbol {0x00C0FF, 0x404040, true, qrn::map::FillStyle::Solid};
    w.view().addLayer(layer);
    w.view().backColor = 0xFF0000;
    w.resize(320, 240);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.setScaleBarVisible(false);
    w.view().zoomAbout(QPointF(160, 120), 0.5);
    w.grab(); // the picture to reuse
    const QRectF before = w.view().extent();
    const double u = w.view().mapUnitsPerPixel();
    QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(&w, QPoint(140, 70));
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, QPoint(137, 71));
    EXPECT_NEAR(w.view().extent().left(), before.left() - 37 * u, 1e-6 * before.width());
    EXPECT_NEAR(w.view().extent().top(), before.top() - 29 * u, 1e-6 * before.width());
    const QImage shown = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage whole(w.size() * shown.devicePixelRatio(), QImage::Format_RGB32);
    whole.setDevicePixelRatio(shown.devicePixelRatio());
    QPainter p(&whole);
    p.setRenderHint(QPainter::Antialiasing);
    w.view().draw(p, QRectF(QPointF(0, 0), QSizeF(w.size())));
    p.end();
    ASSERT_EQ(shown.size(), whole.size());
    int differing = 0;
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x) {
            const QRgb a = shown.pixel(x, y), b = whole.pixel(x, y);
            differing += std::abs(qRed(a) - qRed(b)) > 32 || std::abs(qGreen(a) - qGreen(b)) > 32
                || std::abs(qBlue(a) - qBlue(b)) > 32;
        }
    EXPECT_LE(differing, whole.width() * whole.height() / 1000);

    const double width = w.view().visibleExtent().width();
    QWheelEvent wheel(QPointF(50, 50), w.mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &wheel);
    EXPECT_NEAR(w.view().visibleExtent().width(), width / 1.25, 1e-6 * width);
    QTest::keyClick(&w, Qt::Key_Plus);
    EXPECT_NEAR(w.view().visibleExtent().width(), width / 1.25 / 1.25, 1e-6 * width);
    QTest::keyClick(&w, Qt::Key_Minus);
    EXPECT_NEAR(w.view().visibleExtent().width(), width / 1.25, 1e-6 * width);
}

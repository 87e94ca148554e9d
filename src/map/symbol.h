#pragma once
// Fill symbols of the map and the 32-bit colour values (0x00BBGGRR) they are given in.

#include <QColor>
#include <QtGlobal>

namespace qrn::map {

// A colour value 0x00BBGGRR as stored in ShapeConfig.xml and used by the map windows.
inline QColor colorFromWin(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}
inline quint32 winFromColor(const QColor &c)
{
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

// NoData: the look of a territory without a value (white, hatched: legend.h fillNoData).
enum class FillStyle { Solid = 0, Transparent = 1, NoData = 2 };

// How a feature is painted: its fill and its boundary.
struct Symbol {
    quint32 color = 0xFFFFFF;
    quint32 outlineColor = 0;
    bool outline = true;
    FillStyle style = FillStyle::Solid;

    bool operator==(const Symbol &) const = default;
};

} // namespace qrn::map

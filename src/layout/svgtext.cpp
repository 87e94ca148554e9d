#include "layout/svgtext.h"

#include <QBuffer>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgGenerator>

namespace qrn {

namespace {

bool xmlAllowed(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

} // namespace

QString svgCharacters(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out.append(c).append(text.at(++i));
            continue;
        }
        if (!c.isSurrogate() && xmlAllowed(c.unicode()))
            out.append(c);
    }
    return out;
}

namespace {

// Whether this Qt's generator writes the title as XML text itself; asked once, on a document
// written to memory, so that a generator that does never gets a text escaped twice.
bool generatorEscapesTitle()
{
    static const bool escapes = [] {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QSvgGenerator probe;
        probe.setOutputDevice(&buffer);
        probe.setSize(QSize(1, 1));
        probe.setTitle(QStringLiteral("&"));
        QPainter painter;
        if (painter.begin(&probe))
            painter.end();
        return buffer.data().contains("&amp;");
    }();
    return escapes;
}

} // namespace

QString svgEscaped(const QString &text)
{
    QString out = svgCharacters(text).toHtmlEscaped();
    out.replace(QLatin1Char('\''), QLatin1String("&#39;"));
    return out;
}

QString svgFontFamily(const QString &family)
{
    QString out = svgCharacters(family);
    out.remove(QRegularExpression(QStringLiteral("[&<>\"']")));
    return out;
}

void setSvgTexts(QSvgGenerator &svg, const QString &title, const QString &description)
{
    if (generatorEscapesTitle()) {
        svg.setTitle(svgCharacters(title));
        svg.setDescription(svgCharacters(description));
    } else {
        svg.setTitle(svgEscaped(title));
        svg.setDescription(svgEscaped(description));
    }
}

} // namespace qrn

#include "map/classifystate.h"

namespace qrn::map {

bool classCountKeyAccepted(QChar key)
{
    return key >= QLatin1Char('0') && key <= QLatin1Char('9');
}

bool boundKeyAccepted(QChar key, QChar decimalMark)
{
    return classCountKeyAccepted(key) || key == QChar(0x08) || key == QLatin1Char('-') || key == decimalMark;
}

void ClassifyControls::selectMethod(Method m)
{
    method = m;
    noteShown = m == Method::Quartiles;
    if (m == Method::Manual)
        legendCaption = QStringLiteral("Click sul colore per modificare");
    else if (m == Method::Quartiles)
        legendCaption.clear();
    // After a reset every button is off: the chosen method can start again.
    switch (m) {
    case Method::Quartiles:
        canDrawQuartiles = true;
        break;
    case Method::EqualAmplitude:
    case Method::NaturalBreaks:
    case Method::StandardDeviation:
    case Method::BoxMap:
        canMakeClasses = true;
        canEditMin = canEditMax = m == Method::EqualAmplitude;
        break;
    case Method::Manual:
        canAddManualClass = true;
        canEditMin = canEditMax = true;
        break;
    }
}

void ClassifyControls::reset()
{
    canAddManualClass = canDrawQuartiles = canDrawManualClasses = canDrawMadeClasses = canMakeClasses = false;
    canEditMin = canEditMax = false;
    legendShown = false;
}

void ClassifyControls::quartilesDrawn()
{
    legendShown = true;
    canDrawManualClasses = canEditMax = canEditMin = canAddManualClass = canMakeClasses = false;
    printShown = true;
}

void ClassifyControls::amplitudeClassesMade(bool finished)
{
    legendShown = true;
    canAddManualClass = false;
    if (finished) {
        canDrawMadeClasses = true;
        canMakeClasses = false;
    }
    canDrawManualClasses = canDrawQuartiles = false;
    printShown = true;
}

void ClassifyControls::manualClassAdded(bool finished)
{
    canMakeClasses = canDrawQuartiles = false;
    legendShown = true;
    if (finished) {
        canDrawManualClasses = true;
        canAddManualClass = false;
        canEditMin = canEditMax = false;
    }
}

void ClassifyControls::classesDrawn(bool madeAtOnce)
{
    printShown = true;
    canDrawQuartiles = false;
    canDrawManualClasses = false;
    if (madeAtOnce)
        canDrawMadeClasses = false;
}

} // namespace qrn::map

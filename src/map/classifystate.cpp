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
    cmdNota = m == Method::Quartiles;
    if (m == Method::Manual)
        fraCBCaption = QStringLiteral("Click sul colore per modificare");
    else if (m == Method::Quartiles)
        fraCBCaption.clear();
    // After a reset every button is off: the chosen method can start again.
    switch (m) {
    case Method::Quartiles:
        Cmd_cmdAutocolor = true;
        break;
    case Method::EqualAmplitude:
    case Method::NaturalBreaks:
    case Method::StandardDeviation:
    case Method::BoxMap:
        cmdSelClassiUgualeAmp = true;
        txt_min = txt_Max = m == Method::EqualAmplitude;
        break;
    case Method::Manual:
        cmd_Select = true;
        txt_min = txt_Max = true;
        break;
    }
}

void ClassifyControls::reset()
{
    cmd_Select = Cmd_cmdAutocolor = cmd_GoMap = Command2 = cmdSelClassiUgualeAmp = false;
    txt_min = txt_Max = false;
    fraCB = false;
}

void ClassifyControls::quartilesDrawn()
{
    fraCB = true;
    cmd_GoMap = txt_Max = txt_min = cmd_Select = cmdSelClassiUgualeAmp = false;
    cmd_Stampa = true;
}

void ClassifyControls::amplitudeClassesMade(bool finished)
{
    fraCB = true;
    cmd_Select = false;
    if (finished) {
        Command2 = true;
        cmdSelClassiUgualeAmp = false;
    }
    cmd_GoMap = Cmd_cmdAutocolor = false;
    cmd_Stampa = true;
}

void ClassifyControls::manualClassAdded(bool finished)
{
    cmdSelClassiUgualeAmp = Cmd_cmdAutocolor = false;
    fraCB = true;
    if (finished) {
        cmd_GoMap = true;
        cmd_Select = false;
        txt_min = txt_Max = false;
    }
}

void ClassifyControls::classesDrawn(bool byCommand2)
{
    cmd_Stampa = true;
    Cmd_cmdAutocolor = false;
    cmd_GoMap = false;
    if (byCommand2)
        Command2 = false;
}

} // namespace qrn::map

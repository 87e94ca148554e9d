#pragma once
// The controls of the classification frames without their widgets: the key filters of the
// three text boxes and the enabled and visible states of the buttons through each method.

#include <QChar>
#include <QString>

namespace qrn::map {

// txtClassi takes only the keys '0' to '9' (backspace included, every other key is
// discarded) and holds one character.
bool classCountKeyAccepted(QChar key);
inline constexpr int kClassCountLength = 1;
// txt_min and txt_Max take digits, backspace, the minus sign and the decimal mark of the
// program's number format.
bool boundKeyAccepted(QChar key, QChar decimalMark);

enum class Method { Quartiles, EqualAmplitude, Manual, NaturalBreaks, StandardDeviation, BoxMap };

struct ClassifyControls {
    // Enabled.
    bool Cmd_cmdAutocolor = true; // "Visualizza cartogramma" (quartiles)
    bool cmdSelClassiUgualeAmp = true; // "Seleziona" (the methods that make all classes at once)
    bool cmd_Select = true; // "Seleziona" (manual)
    bool cmd_GoMap = false; // "Visualizza mappa"
    bool Command2 = false; // "Visualizza mappa" (equal amplitude, natural breaks)
    bool txt_min = true, txt_Max = true;
    // Shown.
    bool cmd_Stampa = false; // "Salva e Stampa"
    bool fraCB = false; // the legend frame
    bool cmdNota = true; // the note of the quartiles
    Method method = Method::Quartiles;
    QString fraCBCaption;

    // An option button: its frame is shown, the others hidden; its first button is enabled.
    void selectMethod(Method m);
    // cmd_reset: every button of the methods and both text boxes disabled, the legend hidden.
    void reset();
    // A quartile map drawn.
    void quartilesDrawn();
    // A click on "Seleziona" of a method that makes all its classes at once made them.
    void amplitudeClassesMade(bool finished);
    // A manual class added; finished when it reaches the maximum.
    void manualClassAdded(bool finished);
    // A map of the legend's classes drawn by cmd_GoMap or Command2.
    void classesDrawn(bool byCommand2);
};

} // namespace qrn::map

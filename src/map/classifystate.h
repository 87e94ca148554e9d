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
    // Enabled (the control each one drives, by its object name).
    bool canDrawQuartiles = true; // Cmd_cmdAutocolor "Visualizza cartogramma" (quartiles)
    bool canMakeClasses = true; // cmdSelClassiUgualeAmp "Seleziona" (the methods that make all classes at once)
    bool canAddManualClass = true; // cmd_Select "Seleziona" (manual)
    bool canDrawManualClasses = false; // cmd_GoMap "Visualizza mappa" (manual)
    bool canDrawMadeClasses = false; // Command2 "Visualizza mappa" (the methods that make all classes at once)
    bool canEditMin = true, canEditMax = true; // txt_min, txt_Max
    // Shown.
    bool printShown = false; // cmd_Stampa "Salva e Stampa"
    bool legendShown = false; // fraCB, the legend frame
    bool noteShown = true; // cmdNota, the note of the quartiles
    Method method = Method::Quartiles;
    QString legendCaption; // the title of fraCB

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
    // A map of the legend's classes drawn: the manual ones (cmd_GoMap), or those a method made
    // all at once (Command2) when madeAtOnce.
    void classesDrawn(bool madeAtOnce);
};

} // namespace qrn::map

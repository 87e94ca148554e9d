#pragma once
// frmSchedaVariabili and frmSchedaIndicatori: the metadata sheets of a variable and of an
// indicator. An opener hands the sheet its code; the sheet shows the catalogue entry and
// prints its report.

#include <QString>
#include <QWidget>
#include <array>

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace qrn {
struct ProgramPaths;
struct Services;
class Connection;
} // namespace qrn

namespace qrn::ui {

class MainWindow;

// The row of the thirteen year boxes 1996 to 2008 under their years, made in owner.
QGridLayout *makeYearBoxes(QWidget *owner, std::array<QLineEdit *, 13> &boxes);

class SheetWindow : public QWidget {
    Q_OBJECT
public:
    // Reads the entry of code and fills the boxes; shows the "non disponibili" message when
    // the catalogue has none.
    void load(const QString &code);
    QString tipo() const { return m_tipo; }

    void cmdStampa_Click();
    void cmdChiudi_Click();

protected:
    SheetWindow(const ProgramPaths &paths, Services &services, MainWindow *main, const QString &tipo);
    // The first box, whose leading characters are the code to print.
    virtual QString firstBoxText() const = 0;
    // Fills the boxes with the entry of code; false when there is none. Throws DbError.
    virtual bool fill(Connection &cn, const QString &code) = 0;

    QLineEdit *lineBox(const char *name, const QString &label);
    QPlainTextEdit *textBox(const char *name, const QString &label, int lines = 3);
    // The thirteen year boxes with their legend, as the last rows of the form.
    void addYearBoxes();
    void setYears(const std::array<QString, 13> &marks);

    const ProgramPaths &m_paths;
    Services &m_services;
    MainWindow *m_main;
    QGridLayout *m_form;
    std::array<QLineEdit *, 13> txtAnniDisp {};

private:
    QString m_tipo;
    QPushButton *cmdStampa, *cmdHelp, *cmdChiudi;
};

class frmSchedaVariabili : public SheetWindow {
    Q_OBJECT
public:
    frmSchedaVariabili(const ProgramPaths &paths, Services &services, MainWindow *main);

protected:
    QString firstBoxText() const override;
    bool fill(Connection &cn, const QString &code) override;

private:
    QLineEdit *txtVariabili, *txtSettore, *txtArgomento, *txtLivelloTerr, *txtNumProv, *txtUnita_mis, *txtPeriodo_rif;
    QPlainTextEdit *txtFonti, *txtPubblicazioni, *txtEnti, *txtNoteAnni, *txtNoteSerie;
};

class frmSchedaIndicatori : public SheetWindow {
    Q_OBJECT
public:
    frmSchedaIndicatori(const ProgramPaths &paths, Services &services, MainWindow *main);

protected:
    QString firstBoxText() const override;
    bool fill(Connection &cn, const QString &code) override;

private:
    QLineEdit *txtIndicatore, *txtSettore, *txtArgomento, *txtPsm, *txtBdquid, *txtValutazione, *txtVariabiliAssociate,
        *txtDestinazione;
    QPlainTextEdit *txtModalitaCalcolo, *txtNoteTecniche;
    QCheckBox *chkProv, *chkSll, *chkComune, *chkDatoP, *chkSintesi;
};

// Opens the sheet of a type ("Variabili" or "Indicatori") on code: an open sheet of the same
// type is closed first, then a fresh one shows the entry.
SheetWindow *openMetadataSheet(MainWindow &main, const QString &tipo, const QString &code);

} // namespace qrn::ui

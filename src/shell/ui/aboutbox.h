#pragma once
// "Informazioni su Quarnaro": the version, the libraries with their licences and the sources of
// the sample data.

#include <QDialog>

namespace qrn::ui {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);
    // The box's text as HTML (also what tests read).
    static QString html();
};

} // namespace qrn::ui

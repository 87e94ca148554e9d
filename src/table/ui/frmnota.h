#pragma once
// frmNota: the notes of the table shown by the data grid window: the note of the data in use
// and what the catalogue says about the series and years of the table's columns.

#include <QDialog>

class QTextBrowser;

namespace qrn {
struct CommandContext;
struct Services;
} // namespace qrn

namespace qrn::ui {

class MainWindow;

class frmNota : public QDialog {
    Q_OBJECT
public:
    // The notes are those of the data type command last chose.
    frmNota(Services &services, const CommandContext &command, MainWindow *main);

    // Reads the notes again for the table the data grid window shows now.
    void refresh();
    QString html() const;

protected:
    void showEvent(QShowEvent *e) override;

private:
    Services &m_services;
    const CommandContext &m_command;
    MainWindow *m_main;
    QTextBrowser *m_text;
};

} // namespace qrn::ui

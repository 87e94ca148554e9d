#pragma once
// frmInfo: the date and note of the last data update, and the installation of new databases
// and new maps from zip archives.

#include "metadata/update.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace qrn {
struct ProgramPaths;
struct Services;
}

namespace qrn::ui {

class MainWindow;

class frmInfo : public QDialog {
    Q_OBJECT
public:
    // An update may move the data folders of paths to the user's writable copy.
    frmInfo(ProgramPaths &paths, Services &services, MainWindow *main);

    // Reads the update label and note into lblVersioneBd and lblNote.
    void Form_Load();
    UpdateResult cmdAggiornaBd_Click();
    UpdateResult cmdAggiornaMappe_Click();

protected:
    void showEvent(QShowEvent *e) override;

private:
    // The command of either button: the archive from the open dialog, the question, the
    // password when the archive wants one, the installation, the message; a refusal is logged
    // under the window's name and the procedure's.
    UpdateResult runUpdate(UpdateKind kind, const QString &procedure);

private:
    ProgramPaths &m_paths;
    Services &m_services;
    MainWindow *m_main;
    QLabel *m_version;
    QLabel *m_note;
};

} // namespace qrn::ui

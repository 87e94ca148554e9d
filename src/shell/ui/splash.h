#pragma once
#include <QWidget>

class QLabel;

namespace qrn {
struct ProgramPaths;
struct Services;
} // namespace qrn

namespace qrn::ui {

class MainWindow;

// frmStart: the splash window with the text of InfoQrn.txt over the background picture.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    // The text comes from the files folder of paths, the background picture from its read-only
    // folder; a failed load is logged through services.
    SplashWindow(const qrn::ProgramPaths &paths, qrn::Services &services, MainWindow *main);
    // Fills the text, sizes and places the window (the window's load).
    void load();
    QLabel *infoLabel() const { return m_info; }

private:
    const qrn::ProgramPaths &m_paths;
    qrn::Services &m_services;
    MainWindow *m_main;
    QLabel *m_info;
};

} // namespace qrn::ui

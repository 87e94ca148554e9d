#pragma once
#include <QWidget>

class QLabel;

namespace qrn {
struct AppContext;
}

namespace qrn::ui {

class MainWindow;

// frmStart: the splash window with the text of InfoQrn.txt over the background picture.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    SplashWindow(qrn::AppContext &ctx, MainWindow *main);
    // Fills the text, sizes and places the window (the window's load).
    void load();
    QLabel *infoLabel() const { return m_info; }

private:
    qrn::AppContext &m_ctx;
    MainWindow *m_main;
    QLabel *m_info;
};

} // namespace qrn::ui

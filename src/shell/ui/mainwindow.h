#pragma once
// frmMainMDI: the main window, a multi-document area that holds every other window.

#include "shell/menus.h"
#include "shell/startup.h"
#include "shell/ui/windowregistry.h"

#include <QMainWindow>
#include <QPointer>

class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace qrn {
struct AppContext;
}

namespace qrn::ui {

class MainWindow : public QMainWindow, public StartupHost {
    Q_OBJECT
public:
    explicit MainWindow(AppContext &ctx, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Runs the start-up sequence; Exit means the program must end.
    StartupOutcome startUp(InstanceLock &lock);

    AppContext &context() { return m_ctx; }
    WindowRegistry &registry() { return m_registry; }
    QMdiArea *area() const { return m_area; }
    const MenuBar &menuModel() const { return m_menuModel; }

    // Shows w as a child window of the main window (once), placed by FormatChildForm.
    QMdiSubWindow *showChild(QWidget *w);
    // Opens the help page of a window at its help context.
    void ShowHelp(int context);

    // Runs the menu command of that number (the item mnu_submnu_<number>): applies it to the
    // context and opens the window it names.
    void runMenuCommand(int command);
    // Opens the window of a keyword as the dispatcher does: a shared child, or modal. With a
    // context (the menu's database, type and level), a shared child made for another context
    // is closed and the window of this one is made.
    QWidget *openWindow(const QString &keyword, const QString &context = QString());

    // StartupHost
    void formatMainWindow() override;
    void buildMenuBar(const MenuBar &bar) override;
    void showSplash() override;
    QString chooseFolder(const QString &caption) override;
    void report(const Failure &failure, const QString &module) override;

    QWidget *splash() const { return m_splash; }
    void closeSplash();

    // Where the size and place of the main window and of each child window are kept between
    // runs (an INI file in the Files folder).
    QString windowSettingsFile() const;

protected:
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addNode(QMenu *menu, const MenuNode &node);
    void addQuitCommand();
    void rememberGeometry(const QString &name, const QByteArray &geometry) const;
    QByteArray rememberedGeometry(const QString &name) const;

    AppContext &m_ctx;
    QMdiArea *m_area;
    WindowRegistry m_registry;
    MenuBar m_menuModel;
    QPointer<QWidget> m_splash;
    QPointer<QWidget> m_help;
};

} // namespace qrn::ui

// The main window's frame work: the menu bar built from the menu table (File > Esci always
// added to its first drop-down), the child windows shown through showChild (each once, placed
// where the user left it, clamped into the area), the windows of the menu commands opened through
// the registry, and the help window. The size and place of every window are written to the INI
// file when its frame closes; what each window shows is the window's own business.

#include "shell/ui/mainwindow.h"

#include "shell/context.h"
#include "shell/ui/formutils.h"
#include "shell/ui/splash.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QScreen>
#include <QSettings>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace qrn::ui {

MainWindow::MainWindow(AppContext &ctx, QWidget *parent) : QMainWindow(parent), m_ctx(ctx), m_area(new QMdiArea(this))
{
    setObjectName(QStringLiteral("frmMainMDI"));
    setWindowTitle(QStringLiteral("Quarnaro"));
    m_area->setObjectName(QStringLiteral("mdiArea"));
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Closing a window activates the one the user worked in before it, not the first opened.
    m_area->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    setCentralWidget(m_area);
    // The size and place of the last run; the first time, 1100 x 760 or what the screen holds.
    if (!restoreGeometry(rememberedGeometry(objectName()))) {
        QSize size(1100, 760);
        if (const QScreen *screen = QApplication::primaryScreen()) {
            const QRect free = screen->availableGeometry();
            size = size.boundedTo(free.size() - QSize(16, 48));
            move(free.topLeft() + QPoint((free.width() - size.width()) / 2, (free.height() - size.height()) / 3));
        }
        resize(size);
    }
}

QString MainWindow::windowSettingsFile() const
{
    return m_ctx.FilesFolder + QStringLiteral("Finestre.ini");
}

void MainWindow::rememberGeometry(const QString &name, const QByteArray &geometry) const
{
    if (name.isEmpty() || m_ctx.FilesFolder.isEmpty())
        return;
    QSettings settings(windowSettingsFile(), QSettings::IniFormat);
    settings.setValue(name + QStringLiteral("/geometria"), geometry);
}

QByteArray MainWindow::rememberedGeometry(const QString &name) const
{
    if (name.isEmpty() || m_ctx.FilesFolder.isEmpty())
        return {};
    return QSettings(windowSettingsFile(), QSettings::IniFormat).value(name + QStringLiteral("/geometria")).toByteArray();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A child window's frame is closing: keep its size and place for the next opening.
    if (event->type() == QEvent::Close) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(watched); sub && sub->widget())
            rememberGeometry(sub->widget()->objectName(), sub->saveGeometry());
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::addQuitCommand()
{
    // File > Esci, whatever the menu table holds: the first drop-down, or a File menu of its own.
    QMenu *file = nullptr;
    for (QAction *a : menuBar()->actions()) {
        if (a->menu()) {
            file = a->menu();
            break;
        }
    }
    if (!file)
        file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addSeparator();
    auto *quit = file->addAction(QStringLiteral("&Esci"));
    quit->setObjectName(QStringLiteral("mnuEsci"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q)); // the platform's Quit key is empty on some desktops
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, this, &QWidget::close);
}

MainWindow::~MainWindow() = default;

StartupOutcome MainWindow::startUp(InstanceLock &lock)
{
    return RunStartup(m_ctx, *this, &lock, m_menuModel);
}

void MainWindow::formatMainWindow()
{
    FormatChildForm(m_ctx, m_ctx, this, this);
}

void MainWindow::addNode(QMenu *menu, const MenuNode &node)
{
    switch (node.kind) {
    case MenuNode::Kind::Separator:
        if (menu)
            menu->addSeparator();
        else
            menuBar()->addSeparator();
        break;
    case MenuNode::Kind::DisabledText: {
        auto *a = new QAction(node.caption, this);
        a->setEnabled(false);
        if (node.command > 0)
            a->setObjectName(QStringLiteral("mnu_submnu_%1").arg(node.command));
        menu ? menu->addAction(a) : menuBar()->addAction(a);
        break;
    }
    case MenuNode::Kind::Command: {
        auto *a = new QAction(node.caption, this);
        a->setObjectName(QStringLiteral("mnu_submnu_%1").arg(node.command));
        a->setCheckable(node.checked);
        a->setChecked(node.checked);
        const int index = node.command;
        connect(a, &QAction::triggered, this, [this, index, a, checked = node.checked] {
            if (checked)
                a->setChecked(true); // a checked entry stays checked
            runMenuCommand(index);
        });
        menu ? menu->addAction(a) : menuBar()->addAction(a);
        break;
    }
    case MenuNode::Kind::DropDown: {
        QMenu *sub = menu ? menu->addMenu(node.caption) : menuBar()->addMenu(node.caption);
        sub->setObjectName(QStringLiteral("mnu_dropdown_%1").arg(node.dropDown));
        for (const auto &ch : node.children)
            addNode(sub, *ch);
        break;
    }
    }
}

void MainWindow::buildMenuBar(const MenuBar &bar)
{
    menuBar()->clear();
    for (const auto &n : bar.top)
        addNode(nullptr, *n);
    addQuitCommand();
}

QString MainWindow::chooseFolder(const QString &caption)
{
    return m_ctx.prompt ? m_ctx.prompt->browseFolder(caption) : QString();
}

void MainWindow::report(const Failure &failure, const QString &module)
{
    reportFailure(failure, m_ctx.log, m_ctx.prompt, module);
}

void MainWindow::showSplash()
{
    auto *s = new SplashWindow(m_ctx, m_ctx, this);
    m_splash = s;
    s->load();
}

void MainWindow::closeSplash()
{
    if (m_splash) {
        QWidget *frame = frameOf(m_splash);
        m_splash = nullptr;
        frame->close();
    }
}

QMdiSubWindow *MainWindow::showChild(QWidget *w)
{
    QMdiSubWindow *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget());
    if (!sub) {
        sub = m_area->addSubWindow(w);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->setWindowTitle(w->windowTitle());
        sub->setWindowIcon(QIcon());
        sub->adjustSize();
        sub->show();
        FormatChildForm(m_ctx, m_ctx, w, this);
        // Where the user left it last time, when it was moved or resized.
        if (const QByteArray g = rememberedGeometry(w->objectName()); !g.isEmpty() && sub->restoreGeometry(g)) {
            const QSize room = m_area->viewport()->size();
            sub->move(std::clamp(sub->x(), 0, std::max(0, room.width() - sub->width())),
                      std::clamp(sub->y(), 0, std::max(0, room.height() - sub->height())));
        }
        sub->installEventFilter(this);
    } else {
        sub->show();
    }
    m_area->setActiveSubWindow(sub);
    sub->raise();
    return sub;
}

QWidget *MainWindow::openWindow(const QString &keyword, const QString &context)
{
    static const char *kContext = "qrnMenuContext";
    if (QWidget *old = m_registry.existing(keyword); old && !context.isEmpty()
        && m_registry.mode(keyword) == WindowRegistry::Mode::Child && old->property(kContext).toString() != context) {
        // Raising it would show the tree and lists of another database, type or level.
        m_registry.forget(keyword);
        frameOf(old)->close();
    }
    QWidget *w = m_registry.instance(keyword);
    if (!w)
        return nullptr;
    if (!context.isEmpty())
        w->setProperty(kContext, context);
    if (m_registry.mode(keyword) == WindowRegistry::Mode::Modal) {
        if (auto *dlg = qobject_cast<QDialog *>(w)) {
            const ActiveWindowKeeper keepActive;
            dlg->setParent(this, dlg->windowFlags() | Qt::Dialog);
            dlg->exec();
        } else {
            w->setParent(this, Qt::Dialog);
            w->setWindowModality(Qt::ApplicationModal);
            w->show();
        }
        return w;
    }
    showChild(w);
    return w;
}

void MainWindow::runMenuCommand(int command)
{
    const QString keyword = applyMenuCommand(m_ctx, m_ctx, command);
    if (!keyword.isEmpty())
        openWindow(keyword,
                   m_ctx.CurrentDb + QLatin1Char('|') + m_ctx.CurrentTipo + QLatin1Char('|') + m_ctx.CurrentLevel);
}

void MainWindow::ShowHelp(int context)
{
    QString page = m_ctx.HelpFile + QString::number(context) + QStringLiteral(".html");
    if (!QFileInfo::exists(page))
        page = m_ctx.HelpFile + QStringLiteral("index.html");
    // The help is a window of its own beside the program, like a help viewer. From a modal
    // window it belongs to that window: a window outside it could not be used while it is open.
    QWidget *owner = QApplication::activeModalWidget();
    if (!owner)
        owner = this;
    if (m_help && m_help->parentWidget() != owner) {
        m_help->deleteLater();
        m_help = nullptr;
    }
    QTextBrowser *browser = nullptr;
    if (!m_help) {
        auto *w = new QWidget(owner, Qt::Window);
        w->setObjectName(QStringLiteral("frmHelp"));
        w->setWindowTitle(QStringLiteral("Guida di Quarnaro"));
        w->setAttribute(Qt::WA_DeleteOnClose);
        auto *lay = new QVBoxLayout(w);
        browser = new QTextBrowser(w);
        browser->setObjectName(QStringLiteral("txtHelp"));
        browser->setOpenExternalLinks(false);
        browser->setSearchPaths({m_ctx.HelpFile});
        lay->addWidget(browser);
        // Readable: at least half of the main window each way, centred on it.
        const QSize size(std::max(640, width() / 2), std::max(520, height() * 2 / 3));
        w->resize(size);
        w->move(geometry().center() - QPoint(size.width() / 2, size.height() / 2));
        m_help = w;
    } else {
        browser = m_help->findChild<QTextBrowser *>(QStringLiteral("txtHelp"));
    }
    if (QFileInfo::exists(page))
        browser->setSource(QUrl::fromLocalFile(page));
    else
        browser->setHtml(QStringLiteral("<h2>Guida non disponibile</h2><p>Le pagine della guida non sono state "
                                        "trovate nella cartella %1.</p>")
                             .arg(m_ctx.HelpFile.toHtmlEscaped()));
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void MainWindow::closeEvent(QCloseEvent *e)
{
    rememberGeometry(objectName(), saveGeometry());
    m_area->closeAllSubWindows();
    e->accept();
}

} // namespace qrn::ui

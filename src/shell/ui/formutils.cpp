// The placement and backgrounds every window shares. A window holds at most one stretched
// picture, owned by the window (or by the main window's area for the splash's copy) and found by
// name, so a second call replaces the first; it is scaled once per size, on resize, never tiled.
// A missing background image leaves the plain button-face colour. ActiveWindowKeeper gives the
// activation back to the child and control the user was in, whatever a dialog did in between.

#include "shell/ui/formutils.h"

#include "shell/context.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPalette>
#include <QPointer>

namespace qrn::ui {

namespace {

// Keeps a picture stretched over a window, or over the main window's area, as it is resized:
// the picture is scaled once per size, never tiled.
class StretchedPicture : public QObject {
public:
    static constexpr const char *kName = "qrn_stretchedPicture";
    StretchedPicture(QWidget *target, QMdiArea *area, QImage image, int extraHeight)
        : QObject(area ? static_cast<QObject *>(area) : target),
          m_target(target),
          m_area(area),
          m_image(std::move(image)),
          m_extra(extraHeight)
    {
        setObjectName(QLatin1String(kName));
        (area ? area->viewport() : target)->installEventFilter(this);
        apply();
    }
    void apply()
    {
        QWidget *w = m_area ? m_area->viewport() : m_target.data();
        if (!w || w->width() <= 0 || w->height() <= 0 || w->size() == m_applied)
            return;
        m_applied = w->size();
        const QBrush brush(
            m_image.scaled(w->width(), w->height() + m_extra, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        if (m_area) {
            m_area->setBackground(brush);
        } else {
            QPalette pal = m_target->palette();
            pal.setBrush(QPalette::Window, brush);
            m_target->setPalette(pal);
            m_target->setAutoFillBackground(true);
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            apply();
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> m_target;
    QMdiArea *m_area;
    QImage m_image;
    int m_extra;
    QSize m_applied;
};

// One stretched picture per window: a second call replaces the first.
void stretchPicture(QWidget *target, QMdiArea *area, const QImage &image, int extraHeight)
{
    QObject *owner = area ? static_cast<QObject *>(area) : target;
    // Found by name: the class has no meta-object of its own to be found by type.
    delete owner->findChild<QObject *>(QLatin1String(StretchedPicture::kName), Qt::FindDirectChildrenOnly);
    new StretchedPicture(target, area, image, extraHeight);
}

} // namespace

QWidget *frameOf(QWidget *w)
{
    if (!w)
        return nullptr;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget()))
        return sub;
    return w;
}

void FormatChildForm(const ProgramPaths &paths, Services &services, QWidget *w, QWidget *mainWindow)
{
    if (!w)
        return;
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
    if (w == mainWindow)
        return;
    QWidget *frame = frameOf(w);
    const bool splash = w->objectName() == QLatin1String("frmStart");
    int areaWidth = mainWindow ? mainWindow->width() : 0;
    if (auto *area = qobject_cast<QMdiArea *>(frame->parentWidget() ? frame->parentWidget()->parentWidget() : nullptr))
        areaWidth = area->viewport()->width();
    const int left = splash ? 0 : (areaWidth - frame->width()) / 2; // not clamped
    frame->move(left, 0);
    if (splash)
        CaricaSfondoForm(paths, services, w, mainWindow ? mainWindow->findChild<QMdiArea *>() : nullptr);
}

void CaricaSfondoForm(const ProgramPaths &paths, Services &services, QWidget *w, QMdiArea *mainArea)
{
    const QString module = w ? w->objectName() : QString();
    services.log.debug(module, QStringLiteral("CaricaSfondoForm"), QStringLiteral("001"));
    if (!w)
        return;
    services.log.debug(module, QStringLiteral("CaricaSfondoForm"), QStringLiteral("002"));
    QImage img(paths.readOnlyFolder() + QStringLiteral("Images/infra2.jpg"));
    services.log.debug(module, QStringLiteral("CaricaSfondoForm"), QStringLiteral("003"));
    if (img.isNull())
        return;
    // The picture is stretched to the window (height plus 10 pixels) now and again whenever the
    // window is resized, so it always covers the window once instead of tiling.
    stretchPicture(w, nullptr, img, 10);
    services.log.debug(module, QStringLiteral("CaricaSfondoForm"), QStringLiteral("004"));
    if (w->objectName() == QLatin1String("frmStart") && mainArea)
        stretchPicture(w, mainArea, img, 0);
    services.log.debug(module, QStringLiteral("CaricaSfondoForm"), QStringLiteral("005"));
}

ActiveWindowKeeper::ActiveWindowKeeper() : m_focus(QApplication::focusWidget())
{
    // The window that asks is the active child of the main window's area; the focus widget
    // only decides when no area has an active child (a dialog opened from another dialog).
    QWidget *top = QApplication::activeWindow();
    if (auto *area = top ? top->findChild<QMdiArea *>() : nullptr)
        m_child = area->activeSubWindow();
    for (QWidget *w = m_focus.data(); !m_child && w; w = w->parentWidget()) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(w))
            m_child = sub;
    }
    if (m_focus && m_child && !m_child->isAncestorOf(m_focus))
        m_focus = nullptr;
}

ActiveWindowKeeper::~ActiveWindowKeeper()
{
    if (m_child && m_child->mdiArea() && m_child->isVisible()) {
        m_child->mdiArea()->setActiveSubWindow(m_child);
        m_child->raise();
    }
    if (m_focus && m_focus->isVisible())
        m_focus->setFocus(Qt::OtherFocusReason);
}

} // namespace qrn::ui

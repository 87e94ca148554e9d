#include "shell/ui/formutils.h"

#include "shell/context.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPalette>

namespace qrn::ui {

QWidget *frameOf(QWidget *w)
{
    if (!w)
        return nullptr;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget()))
        return sub;
    return w;
}

void FormatChildForm(AppContext &ctx, QWidget *w, QWidget *mainWindow)
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
        CaricaSfondoForm(ctx, w, mainWindow ? mainWindow->findChild<QMdiArea *>() : nullptr);
}

void CaricaSfondoForm(AppContext &ctx, QWidget *w, QMdiArea *mainArea)
{
    const QString module = w ? w->objectName() : QString();
    ctx.log.debug(module, QStringLiteral("CaricaSfondoForm"), QStringLiteral("001"));
    if (!w)
        return;
    const int width = w->width();
    const int height = w->height();
    ctx.log.debug(module, QStringLiteral("CaricaSfondoForm"), QStringLiteral("002"));
    QImage img(ctx.programFolder + QStringLiteral("Images/infra2.jpg"));
    ctx.log.debug(module, QStringLiteral("CaricaSfondoForm"), QStringLiteral("003"));
    if (img.isNull())
        return;
    const QImage scaled = img.scaled(width, height + 10, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    ctx.log.debug(module, QStringLiteral("CaricaSfondoForm"), QStringLiteral("004"));
    QPalette pal = w->palette();
    pal.setBrush(QPalette::Window, QBrush(scaled));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
    if (w->objectName() == QLatin1String("frmStart") && mainArea)
        mainArea->setBackground(QBrush(img.scaled(mainArea->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    ctx.log.debug(module, QStringLiteral("CaricaSfondoForm"), QStringLiteral("005"));
}

} // namespace qrn::ui

#include "shell/ui/elidedlabel.h"

#include <QPainter>
#include <QStyle>

namespace qrn::ui {

ElidedLabel::ElidedLabel(QWidget *parent) : QLabel(parent)
{
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::setFullText(const QString &text)
{
    setText(text);
    setToolTip(text);
}

QString ElidedLabel::shownText() const
{
    const int room = contentsRect().width() - 2 * margin() - (indent() > 0 ? indent() : 0);
    return fontMetrics().elidedText(text(), Qt::ElideRight, std::max(room, 0));
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) * 4, QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect r = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&painter, r, int(alignment()), palette(), isEnabled(), shownText(), foregroundRole());
}

} // namespace qrn::ui

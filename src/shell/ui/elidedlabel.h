#pragma once
// ElidedLabel: a one-line label that never asks for more width than it is given. Its text is
// kept whole (text()) and shown cut with "…" where the room ends; the whole text is its tooltip.

#include <QLabel>

namespace qrn::ui {

class ElidedLabel : public QLabel {
public:
    explicit ElidedLabel(QWidget *parent = nullptr);
    // The text, whole, as the tooltip too.
    void setFullText(const QString &text);
    // What is shown at the present width.
    QString shownText() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *e) override;
};

} // namespace qrn::ui

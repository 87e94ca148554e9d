#include "map/ui/yearbar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

namespace qrn::ui {

namespace {

const QString kPlay = QStringLiteral("Riproduci");
const QString kStop = QStringLiteral("Ferma");

} // namespace

YearBar::YearBar(QWidget *parent)
    : QWidget(parent), sldAnno(new QSlider(Qt::Horizontal)), lblAnno(new QLabel),
      cmdAnnoPrec(new QPushButton(QStringLiteral("◀"))), cmdAnnoSucc(new QPushButton(QStringLiteral("▶"))),
      cmdRiproduci(new QPushButton(kPlay)), chkClassiFisse(new QCheckBox(QStringLiteral("Classi fisse su tutti gli anni"))),
      m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("fraAnni"));
    sldAnno->setObjectName(QStringLiteral("sldAnno"));
    lblAnno->setObjectName(QStringLiteral("lblAnno"));
    cmdAnnoPrec->setObjectName(QStringLiteral("cmdAnnoPrec"));
    cmdAnnoSucc->setObjectName(QStringLiteral("cmdAnnoSucc"));
    cmdRiproduci->setObjectName(QStringLiteral("cmdRiproduci"));
    chkClassiFisse->setObjectName(QStringLiteral("chkClassiFisse"));
    cmdAnnoPrec->setToolTip(QStringLiteral("Anno precedente"));
    cmdAnnoSucc->setToolTip(QStringLiteral("Anno successivo"));
    cmdRiproduci->setToolTip(QStringLiteral("Mostra gli anni uno al secondo, fino all'ultimo"));
    chkClassiFisse->setToolTip(
        QStringLiteral("Le classi sono calcolate una volta sui valori di tutti gli anni: lo stesso colore vale lo "
                       "stesso valore in ogni anno"));
    sldAnno->setPageStep(1);
    sldAnno->setTickPosition(QSlider::TicksBelow);
    sldAnno->setTickInterval(1);
    sldAnno->setMinimumWidth(120);
    for (QPushButton *b : {cmdAnnoPrec, cmdAnnoSucc})
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("◀")) + 24);
    // The button keeps its width whichever word it shows.
    cmdRiproduci->setMinimumWidth(cmdRiproduci->fontMetrics().horizontalAdvance(kPlay) + 24);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("Anno:")));
    row->addWidget(lblAnno);
    row->addWidget(cmdAnnoPrec);
    row->addWidget(sldAnno, 1);
    row->addWidget(cmdAnnoSucc);
    row->addWidget(cmdRiproduci);
    row->addWidget(chkClassiFisse);

    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &YearBar::step);
    connect(sldAnno, &QSlider::valueChanged, this, [this] {
        showYear();
        emit yearChosen(currentYear());
    });
    connect(cmdAnnoPrec, &QPushButton::clicked, this, [this] { sldAnno->setValue(sldAnno->value() - 1); });
    connect(cmdAnnoSucc, &QPushButton::clicked, this, [this] { sldAnno->setValue(sldAnno->value() + 1); });
    connect(cmdRiproduci, &QPushButton::clicked, this, [this] { play(!playing()); });
    connect(chkClassiFisse, &QCheckBox::toggled, this, &YearBar::fixedClassesToggled);
}

void YearBar::setYears(const QStringList &years, const QString &current)
{
    m_years = years;
    const QSignalBlocker block(sldAnno);
    sldAnno->setRange(0, std::max(0, int(years.size()) - 1));
    sldAnno->setValue(std::max(0, int(years.indexOf(current))));
    showYear();
}

void YearBar::setCurrentYear(const QString &year)
{
    const QSignalBlocker block(sldAnno);
    sldAnno->setValue(std::max(0, int(m_years.indexOf(year))));
    showYear();
}

QString YearBar::currentYear() const
{
    return m_years.value(sldAnno->value());
}

bool YearBar::playing() const
{
    return m_timer->isActive();
}

bool YearBar::fixedClasses() const
{
    return chkClassiFisse->isChecked();
}

void YearBar::step()
{
    if (sldAnno->value() >= sldAnno->maximum()) {
        play(false);
        return;
    }
    sldAnno->setValue(sldAnno->value() + 1);
    if (sldAnno->value() >= sldAnno->maximum())
        play(false);
}

void YearBar::play(bool on)
{
    if (on) {
        // A play started on the last year starts again from the first.
        if (sldAnno->value() >= sldAnno->maximum())
            sldAnno->setValue(0);
        m_timer->start();
    } else {
        m_timer->stop();
    }
    cmdRiproduci->setText(on ? kStop : kPlay);
}

void YearBar::showYear()
{
    lblAnno->setText(currentYear());
    cmdAnnoPrec->setEnabled(sldAnno->value() > sldAnno->minimum());
    cmdAnnoSucc->setEnabled(sldAnno->value() < sldAnno->maximum());
}

} // namespace qrn::ui

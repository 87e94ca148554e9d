#pragma once
// The year bar of the map window: a slider over the years of the mapped item with "◀" and "▶",
// "Riproduci" stepping one year a second up to the last (the button reads "Ferma" meanwhile),
// and "Classi fisse su tutti gli anni". It only tells which year and which classes are asked;
// the window reads and draws them.

#include <QStringList>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace qrn::ui {

class YearBar : public QWidget {
    Q_OBJECT
public:
    explicit YearBar(QWidget *parent = nullptr);

    // The years offered, ascending, and the one shown (no signal).
    void setYears(const QStringList &years, const QString &current);
    // Moves back to a year without telling (a year that could not be shown).
    void setCurrentYear(const QString &year);
    QString currentYear() const;
    bool playing() const;
    bool fixedClasses() const;

    // One step of the playback, as the timer gives it: the next year, or the end of the play at
    // the last one.
    void step();

    QSlider *sldAnno;
    QLabel *lblAnno;
    QPushButton *cmdAnnoPrec, *cmdAnnoSucc, *cmdRiproduci;
    QCheckBox *chkClassiFisse;

signals:
    void yearChosen(const QString &year);
    void fixedClassesToggled(bool fixed);

private:
    void play(bool on);
    void showYear();

    QStringList m_years;
    QTimer *m_timer;
};

} // namespace qrn::ui

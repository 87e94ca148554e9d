#pragma once
// frmSelMappa: asks on which kind of territory a map is drawn when the selection mixes levels.

#include "map/mapdata.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace qrn::ui {

class frmSelMappa : public QDialog {
    Q_OBJECT
public:
    // The provinces are offered unless LevelCode is 2 or 4, or 3 at level "R".
    frmSelMappa(qint16 levelCode, const QString &currentLevel, QWidget *parent = nullptr);

    // The button that closed the window; Cancel when none did.
    map::LevelChoice choice() const { return m_choice; }

    void cmdReg_Click() { choose(map::LevelChoice::Regions); }
    void cmdNuts2_Click() { choose(map::LevelChoice::Nuts2); }
    void cmdProv_Click() { choose(map::LevelChoice::Provinces); }
    void cmdAnnulla_Click() { choose(map::LevelChoice::Cancel); }

    // Shows the window modally and returns the choice.
    static map::LevelChoice ask(qint16 levelCode, const QString &currentLevel, QWidget *parent);

private:
    void choose(map::LevelChoice c);

    map::LevelChoice m_choice = map::LevelChoice::Cancel;
    QLabel *m_text;
    QPushButton *cmdReg, *cmdNuts2, *cmdProv, *cmdAnnulla;
};

} // namespace qrn::ui

#include "map/ui/frmselmappa.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qrn::ui {

frmSelMappa::frmSelMappa(qint16 levelCode, const QString &currentLevel, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelMappa"));
    setWindowTitle(QStringLiteral("Selezione territorio"));
    setModal(true);

    auto *root = new QVBoxLayout(this);
    m_text = new QLabel(QStringLiteral("Per quale tipo di terriorio si vuole visualizzare il cartogramma?"), this);
    m_text->setObjectName(QStringLiteral("Label1"));
    root->setSpacing(12);
    root->addWidget(m_text);

    auto *buttons = new QHBoxLayout;
    auto button = [&](QPushButton *&b, const char *name, const char *caption, map::LevelChoice c) {
        b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, c] { choose(c); });
    };
    button(cmdReg, "cmdReg", "Regione", map::LevelChoice::Regions);
    button(cmdNuts2, "Cmdnut2", "Nuts2", map::LevelChoice::Nuts2);
    button(cmdProv, "cmdProv", "Provincia", map::LevelChoice::Provinces);
    button(cmdAnnulla, "cmdAnnulla", "Annulla", map::LevelChoice::Cancel);
    root->addLayout(buttons);

    cmdProv->setEnabled(map::provincesOffered(levelCode, currentLevel));
}

void frmSelMappa::choose(map::LevelChoice c)
{
    m_choice = c;
    if (c == map::LevelChoice::Cancel)
        reject();
    else
        accept();
}

map::LevelChoice frmSelMappa::ask(qint16 levelCode, const QString &currentLevel, QWidget *parent)
{
    frmSelMappa w(levelCode, currentLevel, parent);
    w.exec();
    return w.choice();
}

} // namespace qrn::ui

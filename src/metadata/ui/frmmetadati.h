#pragma once
// frmMetadati, the metadata browser (the catalogue tree of one configured database, a leaf
// opening its sheet), and frmListaMetadati, the metadata list (every code of a type with its
// topic, sector and year marks).

#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <memory>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qrn {
struct CommandContext;
struct Services;
class Connection;
} // namespace qrn

namespace qrn::ui {

class MainWindow;

class frmMetadati : public QWidget {
    Q_OBJECT
public:
    // The tree lists the items of the territorial level of the command that opened the browser.
    frmMetadati(Services &services, const CommandContext &command, MainWindow *main);

    void cmb_Databases_Click(int index);
    void objtree_NodeClick(QTreeWidgetItem *node);
    QTreeWidgetItem *nodeByKey(const QString &key) const;
    // The type of the catalogue shown: "Variabili" for the first database, else "Indicatori".
    QString tipo() const { return m_tipo; }

protected:
    void showEvent(QShowEvent *e) override;

private:
    Services &m_services;
    const CommandContext &m_command;
    MainWindow *m_main;
    QString m_tipo;
    QComboBox *cmb_Databases;
    QStringList cmb_DatabasesN;
    QTreeWidget *objtree;
    QPushButton *cmdHelp, *cmdChiudi;
};

class frmListaMetadati : public QWidget {
    Q_OBJECT
public:
    frmListaMetadati(Services &services, MainWindow *main);
    ~frmListaMetadati() override;

    void cmbVarInd_Click(int index);
    void lst_CodVar_Click(int row);

protected:
    void showEvent(QShowEvent *e) override;

private:
    Connection *connection();

    Services &m_services;
    MainWindow *m_main;
    std::unique_ptr<Connection> m_cn;
    QComboBox *cmbVarInd;
    QListWidget *lst_CodVar;
    QLineEdit *txtDescrizione, *txtArgomento, *txtSettore;
    std::array<QLineEdit *, 13> txtAnniDisp {};
    QPushButton *cmdHelp, *cmdChiudi;
};

} // namespace qrn::ui

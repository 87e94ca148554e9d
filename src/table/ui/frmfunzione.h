#pragma once
// frmFunzione: the modal formula window of the data grid ("Crea nuovo indicatore"). The user
// builds an expression over the table's data columns with the keypad and the column list,
// names it, and the window appends the computed column to the table.

#include "table/formula/derivedindicator.h"
#include "table/formula/formulabuilder.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace qrn {
struct Services;
class DataTable;
} // namespace qrn

namespace qrn::ui {

// Asks for the new column's name in an input box until it is valid, offering the next default
// name and warning (exclamation icon) on each invalid answer. Returns the name, or empty when
// the user cancelled (or gave an empty answer).
QString askIndicatorName(formula::DerivedMemory &memory, Prompt &prompt);

class frmFunzione : public QDialog {
    Q_OBJECT
public:
    // Help context of this window.
    static constexpr int kHelpContext = 310;

    // Takes the snapshot of table (as the grid shows it now) and lists its data columns.
    // onAdded is called with the new header once a column has been appended to the table.
    frmFunzione(Services &services, DataTable &table, formula::DerivedMemory &memory, QWidget *parent = nullptr,
                std::function<void(const QString &header)> onAdded = {});
    ~frmFunzione() override;

    // Called after a derived column has been added (the grid adds the header to cmb_Ordina
    // and refreshes itself); the window closes right after.
    std::function<void(const QString &header)> onAdded;

    // The handlers, also driven by the tests.
    void cmdNumero_Click(int index);
    void cmdVirgola_Click();
    void cmdOperatore_Click(char op); // cmdSomma, cmdDifferenza, cmdMoltiplica, cmdRapporto, cmdEleva
    void cmdPercentuale_Click();
    void cmdParentesiAp_Click();
    void cmdParentesiCh_Click();
    void lstColonne_DblClick(QListWidgetItem *item);
    void cmdReset_Click();
    void cmdEsegui_Click();
    void cmdAnnulla_Click();

    const formula::FormulaBuilder &builder() const { return m_builder; }
    const formula::TableSnapshot &snapshot() const { return m_snapshot; }

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void done(int result) override;

private:
    void buildControls();
    void showExpression();
    void showHelp();

    Services &m_services;
    DataTable &m_table;
    formula::TableSnapshot m_snapshot;
    formula::FormulaBuilder m_builder;

    QLineEdit *lstFunzione = nullptr;
    QListWidget *lstColonne = nullptr;
    QLabel *lblAiuto = nullptr;
    std::array<QPushButton *, 10> cmdNumero {};
    QPushButton *cmdVirgola = nullptr;
    QPushButton *cmdSomma = nullptr;
    QPushButton *cmdDifferenza = nullptr;
    QPushButton *cmdMoltiplica = nullptr;
    QPushButton *cmdRapporto = nullptr;
    QPushButton *cmdEleva = nullptr;
    QPushButton *cmdPercentuale = nullptr;
    QPushButton *cmdParentesiAp = nullptr;
    QPushButton *cmdParentesiCh = nullptr;
    QPushButton *cmdReset = nullptr;
    QPushButton *cmdEsegui = nullptr;
    QPushButton *cmdAnnulla = nullptr;
};

} // namespace qrn::ui

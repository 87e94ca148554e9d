#pragma once
// frm_Glossario: the glossary, searched by letter, sector or typed text, with the definition
// of the chosen term and its printed report.

#include <QWidget>
#include <memory>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace qrn {
struct ProgramPaths;
struct Services;
class Connection;
} // namespace qrn

namespace qrn::ui {

class MainWindow;

class frm_Glossario : public QWidget {
    Q_OBJECT
public:
    frm_Glossario(const ProgramPaths &paths, Services &services, MainWindow *main);
    ~frm_Glossario() override;

    // A click on the search-mode option buttons Option1_<index> (GlossaryMode).
    void searchMode_Click(int index);
    void cmb_alfabeto_Click(int index);
    void cmbSettore_Click(int index);
    void cmd_ricerca_Click();
    void lst_NameVar_Click();
    void Cmd_print_Click();

protected:
    void showEvent(QShowEvent *e) override;

private:
    void list(const QString &statement, const QString &procedure);

    const ProgramPaths &m_paths;
    Services &m_services;
    MainWindow *m_main;
    std::unique_ptr<Connection> m_cn;
    QComboBox *m_letterBox, *m_sectorBox;
    QStringList m_sectorIds;
    QRadioButton *m_modeOptions[4];
    QLineEdit *m_searchTexts[2];
    QPushButton *m_searchButton, *m_printButton, *m_helpButton, *m_closeButton;
    QListWidget *m_termList;
    QPlainTextEdit *m_descriptionText;
};

} // namespace qrn::ui

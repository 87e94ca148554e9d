// The formula window driven with the mouse: keys, the new column, the state after a refusal.

#include "table/datatable.h"
#include "table/ui/frmfunzione.h"

#include "shell/ui/mainwindow.h"
#include "support/scriptedprompt.h"
#include "support/testfolder.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {

struct Window {
    TestFolder tf {false};
    std::unique_ptr<AppContext> ctx = tf.context();
    DataTable table {{
        {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "AS013_2005", "AS014_2005"},
        {"P", "001", "001", "01", "ITC11", "Torino", "10,00", "4,00"},
        {"P", "002", "002", "01", "ITC12", "Vercelli", "3,50", "0,00"},
    }};
    formula::DerivedMemory memory;
    QStringList added;
    std::unique_ptr<ui::frmFunzione> w;

    Window()
    {
        w = std::make_unique<ui::frmFunzione>(*ctx, table, memory, nullptr, [this](const QString &h) { added << h; });
        w->show();
    }
    QString expression() { return w->findChild<QLineEdit *>("lstFunzione")->text(); }
    QListWidget *columns() { return w->findChild<QListWidget *>("lstColonne"); }

    // Clicks buttons by their names; double-clicks a column header given between brackets.
    void press(const QStringList &keys)
    {
        for (const QString &key : keys) {
            if (key.startsWith('[')) {
                const auto found = columns()->findItems(key.mid(1, key.size() - 2), Qt::MatchExactly);
                ASSERT_EQ(found.size(), 1) << qPrintable(key);
                const QPoint at = columns()->visualItemRect(found.first()).center();
                QTest::mouseClick(columns()->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(columns()->viewport(), Qt::LeftButton, {}, at);
            } else {
                auto *button = w->findChild<QPushButton *>(key);
                ASSERT_TRUE(button) << qPrintable(key);
                QTest::mouseClick(button, Qt::LeftButton);
            }
        }
    }
};

} // namespace

// Every button and a double click in the list reach the expression (the rules of what each key
// accepts are the keypad's own); F1 opens the window's help page.
TEST(frmFunzione, TheKeypadWritesTheExpressionAndF1OpensHelp)
{
    Window s;
    s.press({"cmdParentesiAp", "[AS013_2005]",  "cmdPercentuale", "cmdSomma",    "cmdNumero_1", "cmdNumero_2",
             "cmdVirgola",     "cmdNumero_5",   "cmdParentesiCh", "cmdEleva",    "cmdNumero_0", "cmdDifferenza",
             "[AS014_2005]",   "cmdMoltiplica", "cmdNumero_3",    "cmdRapporto", "cmdNumero_4", "cmdNumero_6",
             "cmdNumero_7",    "cmdNumero_8",   "cmdNumero_9"});
    EXPECT_EQ(s.expression(), "( AS013_2005 * 100 + 12.5) ^ 0- AS014_2005 * 3/ 46789");
    s.press({"cmdReset"});
    EXPECT_EQ(s.expression(), "");

    s.tf.write("Files/Help/310.html", "<html><body><h1>Crea indicatore</h1></body></html>");
    s.ctx->HelpFile = s.tf.file("Files/Help/");
    ui::MainWindow main(*s.ctx);
    main.show();
    QTest::keyClick(s.columns(), Qt::Key_F1);
    QTextBrowser *browser = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmHelp" && w->isVisible())
            browser = w->findChild<QTextBrowser *>("txtHelp");
    ASSERT_TRUE(browser);
    EXPECT_TRUE(browser->toPlainText().contains("Crea indicatore"));
}

TEST(frmFunzione, EseguiAddsTheColumnAndTheWindowCloses)
{
    Window s;
    s.tf.prompt.answerInput(QString("Rapporto"));
    s.press({"[AS013_2005]", "cmdRapporto", "[AS014_2005]", "cmdEsegui"});
    EXPECT_EQ(s.table.header(8), "Rapporto");
    EXPECT_EQ(s.added, QStringList {"Rapporto"});
    EXPECT_EQ(s.w->result(), QDialog::Accepted);
    EXPECT_EQ(s.table.background(2), DataTable::kEvenRow); // the stripes follow the new table
    // The derived column is offered by the next formula window.
    ui::frmFunzione next(*s.ctx, s.table, s.memory);
    EXPECT_EQ(next.findChild<QListWidget *>("lstColonne")->count(), 3);
}

// A refused name is asked for again, with the same default each time and the warning between;
// the name taken is the first valid one.
TEST(frmFunzione, ARefusedNameIsAskedAgainWithTheSameDefault)
{
    struct Names : ScriptedPrompt {
        QStringList defaults;
        std::optional<QString> input(const QString &text, const QString &title, const QString &def) override
        {
            defaults << def;
            return ScriptedPrompt::input(text, title, def);
        }
    } names;
    for (const char *answer : {"con spazio", "con_trattino", "Meta"})
        names.answerInput(QString(answer));
    formula::DerivedMemory memory;
    memory.lastColumnPicked = "AS013_2005";
    EXPECT_EQ(ui::askIndicatorName(memory, names), "Meta");
    EXPECT_EQ(names.defaults, QStringList(3, "Funz12005"));
    EXPECT_EQ(names.messages(), QStringList(2, "Il nome non deve contenere spazi o caratteri speciali."));
}

// A cancelled name box and a syntax error leave the window open with its expression and the
// table as it was; Annulla then closes without change.
TEST(frmFunzione, ARefusalKeepsTheWindowTheExpressionAndTheTable)
{
    const std::pair<std::optional<QString>, QStringList> cases[] = {
        {std::nullopt, {}},
        {QString("Errato"), {"L'espressione contiene errori di sintassi."}}};
    for (const auto &[name, messages] : cases) {
        Window s;
        const DataTable before = s.table;
        s.tf.prompt.answerInput(name);
        s.press({"cmdParentesiAp", "[AS013_2005]", "cmdParentesiCh", "[AS014_2005]", "cmdEsegui"});
        EXPECT_EQ(s.expression(), "( AS013_2005 ) AS014_2005 ");
        EXPECT_EQ(s.tf.prompt.messages(), messages);
        EXPECT_EQ(s.table.rows(), before.rows());
        EXPECT_TRUE(s.w->isVisible());
        s.press({"cmdAnnulla"});
        EXPECT_EQ(s.w->result(), QDialog::Rejected);
    }
}

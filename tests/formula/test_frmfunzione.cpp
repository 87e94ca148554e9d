// The formula window driven with the mouse over a small result table: its controls, the keys
// reaching the expression, the new column and the window's state after a refusal.

#include "table/datatable.h"
#include "table/ui/frmfunzione.h"

#include "shell/ui/mainwindow.h"
#include "support/testfolder.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {

QStringList row(const QString &code, const QString &name, const QString &a, const QString &b)
{
    return {"P", code, code, "01", "ITC11", name, a, b};
}

DataTable sampleTable()
{
    return DataTable({
        {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "AS013_2005", "AS014_2005"},
        row("001", "Torino", "10,00", "4,00"),
        row("002", "Vercelli", "3,50", "0,00"),
        row("003", "Novara", "1,00", "-"),
        row("004", "Cuneo", "", "2,00"),
        row("005", "Asti", "-7,25", "3,00"),
    });
}

struct Window {
    TestFolder tf {false};
    std::unique_ptr<AppContext> ctx = tf.context();
    DataTable table = sampleTable();
    formula::DerivedMemory memory;
    QStringList added;
    std::unique_ptr<ui::frmFunzione> w;

    Window()
    {
        w = std::make_unique<ui::frmFunzione>(*ctx, table, memory, nullptr, [this](const QString &h) { added << h; });
        w->show();
    }

    template <class T> T *child(const QString &name)
    {
        T *c = w->findChild<T *>(name);
        EXPECT_TRUE(c) << qPrintable(name);
        return c;
    }
    QString expression() { return child<QLineEdit>("lstFunzione")->text(); }

    // Presses keys as a user does: digits, "," "+" "-" "*" "/" "^" "%" "(" ")", "R" Reset,
    // "=" Esegui, or a column header between brackets, double-clicked in the list.
    void press(const std::vector<const char *> &keys)
    {
        static const QHash<QString, QString> buttons {
            {",", "cmdVirgola"},     {"+", "cmdSomma"}, {"-", "cmdDifferenza"},  {"*", "cmdMoltiplica"},
            {"/", "cmdRapporto"},    {"^", "cmdEleva"}, {"%", "cmdPercentuale"}, {"(", "cmdParentesiAp"},
            {")", "cmdParentesiCh"}, {"R", "cmdReset"}, {"=", "cmdEsegui"}};
        for (const char *k : keys) {
            const QString key = QString::fromUtf8(k);
            if (key.startsWith('[')) {
                auto *list = child<QListWidget>("lstColonne");
                const auto found = list->findItems(key.mid(1, key.size() - 2), Qt::MatchExactly);
                ASSERT_EQ(found.size(), 1) << k;
                const QPoint at = list->visualItemRect(found.first()).center();
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
            } else if (key.size() == 1 && key[0].isDigit()) {
                QTest::mouseClick(child<QPushButton>("cmdNumero_" + key), Qt::LeftButton);
            } else {
                ASSERT_TRUE(buttons.contains(key)) << k;
                QTest::mouseClick(child<QPushButton>(buttons.value(key)), Qt::LeftButton);
            }
        }
    }

    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 1; r < table.rowCount(); ++r)
            out << table.text(r, c);
        return out;
    }
};

} // namespace

TEST(frmFunzione, ShowsItsControlsAndTheDataColumnsOfTheTable)
{
    Window s;
    EXPECT_EQ(s.w->objectName(), "frmFunzione");
    EXPECT_EQ(s.w->windowTitle(), "Crea nuovo indicatore");
    EXPECT_EQ(s.child<QLabel>("lblAiuto")->text(), "Premere F1 per l'aiuto.");
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(s.child<QPushButton>(QStringLiteral("cmdNumero_%1").arg(i))->text(), QString::number(i));
    const std::pair<const char *, const char *> captions[] = {
        {"cmdVirgola", ","},     {"cmdSomma", "+"},     {"cmdDifferenza", "-"},  {"cmdMoltiplica", "*"},
        {"cmdRapporto", "/"},    {"cmdEleva", "^"},     {"cmdPercentuale", "%"}, {"cmdParentesiAp", "("},
        {"cmdParentesiCh", ")"}, {"cmdReset", "Reset"}, {"cmdEsegui", "Esegui"}, {"cmdAnnulla", "Annulla"}};
    for (const auto &[name, caption] : captions)
        EXPECT_EQ(s.child<QPushButton>(name)->text(), caption);
    auto *list = s.child<QListWidget>("lstColonne");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "AS013_2005");
    EXPECT_EQ(list->item(1)->text(), "AS014_2005");

    // F1 opens the window's help page, in a help window of its own.
    s.tf.write("Files/Help/310.html", "<html><body><h1>Crea indicatore</h1></body></html>");
    s.ctx->HelpFile = s.tf.file("Files/Help/");
    ui::MainWindow main(*s.ctx);
    main.show();
    QTest::keyClick(list, Qt::Key_F1);
    QTextBrowser *browser = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmHelp" && w->isVisible())
            browser = w->findChild<QTextBrowser *>("txtHelp");
    ASSERT_TRUE(browser);
    EXPECT_TRUE(browser->toPlainText().contains("Crea indicatore"));

    // A look at the window as the user sees it.
    s.w->grab().save(s.tf.file("frmFunzione.png"));
    if (qEnvironmentVariableIsSet("QRN_GRAB_DIR"))
        s.w->grab().save(qEnvironmentVariable("QRN_GRAB_DIR") + "/frmFunzione.png");
}

// Every button and a double click in the list reach the expression (the rules of what each key
// accepts are the keypad's own).
TEST(frmFunzione, TheKeypadWritesTheExpression)
{
    Window s;
    s.press(
        {"(", "[AS013_2005]", "%", "+", "1", "2", ",", "5", ")", "^", "2", "-", "[AS014_2005]", "*", "3", "/", "4"});
    EXPECT_EQ(s.expression(), "( AS013_2005 * 100 + 12.5) ^ 2- AS014_2005 * 3/ 4");
    s.press({"R"});
    EXPECT_EQ(s.expression(), "");
    s.press({"+"});
    EXPECT_EQ(s.expression(), "");
}

TEST(frmFunzione, EseguiAddsTheColumnAndTheWindowCloses)
{
    Window s;
    s.tf.prompt.answerInput(QString("Rapporto"));
    s.press({"[AS013_2005]", "/", "[AS014_2005]", "="});
    EXPECT_EQ(s.table.columnCount(), 9);
    EXPECT_EQ(s.table.header(8), "Rapporto");
    EXPECT_EQ(s.column(8).first(), "2,5000") << "the arithmetic is the evaluator's";
    EXPECT_EQ(s.added, QStringList {"Rapporto"});
    EXPECT_FALSE(s.w->isVisible());
    EXPECT_EQ(s.w->result(), QDialog::Accepted);
    // The stripes follow the new table.
    EXPECT_EQ(s.table.background(1), DataTable::kOddRow);
    EXPECT_EQ(s.table.background(2), DataTable::kEvenRow);
    // The name box came with its texts; nothing else was shown.
    ASSERT_EQ(s.tf.prompt.shown().size(), 1u);
    EXPECT_EQ(s.tf.prompt.shown().front().text, "Inserire un nome per l'indicatore.");
    EXPECT_EQ(s.tf.prompt.shown().front().title, "Nome indicatore");
    EXPECT_FALSE(s.tf.prompt.busy());

    // The derived column is offered by the next formula window.
    ui::frmFunzione next(*s.ctx, s.table, s.memory);
    EXPECT_EQ(next.findChild<QListWidget *>("lstColonne")->count(), 3);
}

// A cancelled name box and a syntax error leave the window open with its expression and the
// table as it was; Annulla then closes without change.
TEST(frmFunzione, ARefusalKeepsTheWindowTheExpressionAndTheTable)
{
    const struct {
        std::vector<const char *> keys;
        std::optional<QString> name;
        QStringList messages;
    } cases[] = {
        {{"[AS013_2005]", "+", "1", "="}, std::nullopt, {}},
        {{"(", "[AS013_2005]", ")", "[AS014_2005]", "="},
         QString("Errato"),
         {"L'espressione contiene errori di sintassi."}},
    };
    for (const auto &c : cases) {
        Window s;
        const DataTable before = s.table;
        s.tf.prompt.answerInput(c.name);
        s.press(c.keys);
        const QString expression = s.expression();
        EXPECT_FALSE(expression.isEmpty());
        EXPECT_EQ(s.tf.prompt.messages(), c.messages);
        EXPECT_EQ(s.table.rows(), before.rows());
        EXPECT_TRUE(s.added.isEmpty());
        EXPECT_TRUE(s.w->isVisible());
        EXPECT_FALSE(s.tf.prompt.busy());
        QTest::mouseClick(s.child<QPushButton>("cmdAnnulla"), Qt::LeftButton);
        EXPECT_FALSE(s.w->isVisible());
        EXPECT_EQ(s.w->result(), QDialog::Rejected);
        EXPECT_EQ(s.table.rows(), before.rows());
    }
}

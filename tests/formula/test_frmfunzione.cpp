// The formula window driven with the mouse over a small result table: the keypad rules, the
// execution into a new column, the name box and the syntax message.

#include "table/datatable.h"
#include "table/ui/frmfunzione.h"

#include "support/testfolder.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
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
    TestFolder tf{false};
    std::unique_ptr<AppContext> ctx = tf.context();
    DataTable table = sampleTable();
    formula::DerivedMemory memory;
    QStringList added;
    std::unique_ptr<ui::frmFunzione> w;

    Window()
    {
        w = std::make_unique<ui::frmFunzione>(*ctx, table, memory, nullptr,
                                              [this](const QString &h) { added << h; });
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
    void press(std::initializer_list<const char *> keys)
    {
        static const QHash<QString, QString> buttons{
            {",", "cmdVirgola"},     {"+", "cmdSomma"},      {"-", "cmdDifferenza"},
            {"*", "cmdMoltiplica"},  {"/", "cmdRapporto"},   {"^", "cmdEleva"},
            {"%", "cmdPercentuale"}, {"(", "cmdParentesiAp"}, {")", "cmdParentesiCh"},
            {"R", "cmdReset"},       {"=", "cmdEsegui"}};
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
        {"cmdVirgola", ","}, {"cmdSomma", "+"}, {"cmdDifferenza", "-"}, {"cmdMoltiplica", "*"},
        {"cmdRapporto", "/"}, {"cmdEleva", "^"}, {"cmdPercentuale", "%"}, {"cmdParentesiAp", "("},
        {"cmdParentesiCh", ")"}, {"cmdReset", "Reset"}, {"cmdEsegui", "Esegui"}, {"cmdAnnulla", "Annulla"}};
    for (const auto &[name, caption] : captions)
        EXPECT_EQ(s.child<QPushButton>(name)->text(), caption);
    auto *list = s.child<QListWidget>("lstColonne");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "AS013_2005");
    EXPECT_EQ(list->item(1)->text(), "AS014_2005");

    int helpContext = 0;
    s.w->onHelp = [&](int c) { helpContext = c; };
    QTest::keyClick(list, Qt::Key_F1);
    EXPECT_EQ(helpContext, 310);

    // A look at the window as the user sees it.
    s.w->grab().save(s.tf.file("frmFunzione.png"));
    if (qEnvironmentVariableIsSet("QRN_GRAB_DIR"))
        s.w->grab().save(qEnvironmentVariable("QRN_GRAB_DIR") + "/frmFunzione.png");
}

TEST(frmFunzione, KeypadRules)
{
    Window s;
    s.press({"+", "*", "%"}); // an operator never comes first
    EXPECT_EQ(s.expression(), "");
    s.press({"[AS013_2005]", "-", "+", "[AS014_2005]", "[AS013_2005]", "7"});
    EXPECT_EQ(s.expression(), "AS013_2005 - AS014_2005 "); // "+" after "-", a column or digit after a column
    s.press({"R"});
    EXPECT_EQ(s.expression(), "");
    EXPECT_EQ(s.child<QListWidget>("lstColonne")->count(), 2);

    // The digits 1 and 2 then the plus button: one token "12+".
    s.press({"1", "2", "+", "[AS014_2005]"});
    EXPECT_EQ(s.expression(), "12+ AS014_2005 ");
    s.press({"R", "[AS013_2005]", "%", "+", "[AS014_2005]"});
    EXPECT_EQ(s.expression(), "AS013_2005 * 100 + AS014_2005 ");
    // Parentheses are always accepted, and a column is accepted after ")".
    s.press({"R", "(", "[AS013_2005]", ")", "[AS014_2005]", "(", ")"});
    EXPECT_EQ(s.expression(), "( AS013_2005 ) AS014_2005 ( ) ");
    s.press({"R", "4", ",", "5", "[AS013_2005]"});
    EXPECT_EQ(s.expression(), "4.5");
}

TEST(frmFunzione, OneThirdIsAddedAsANewColumnAndTheWindowCloses)
{
    Window s;
    s.tf.prompt.answerInput(QString("Terzo"));
    s.press({"1", "/", "3", "="});
    EXPECT_EQ(s.table.columnCount(), 9);
    EXPECT_EQ(s.table.header(8), "Terzo");
    EXPECT_EQ(s.column(8), QStringList(5, "0,3333"));
    EXPECT_EQ(s.added, QStringList{"Terzo"});
    EXPECT_FALSE(s.w->isVisible());
    EXPECT_EQ(s.w->result(), QDialog::Accepted);
    // The stripes follow the new table.
    EXPECT_EQ(s.table.background(1), DataTable::kOddRow);
    EXPECT_EQ(s.table.background(2), DataTable::kEvenRow);
    // The name box came with the default name, the first of the count.
    ASSERT_FALSE(s.tf.prompt.shown().empty());
    EXPECT_EQ(s.tf.prompt.shown().front().text, "Inserire un nome per l'indicatore.");
    EXPECT_EQ(s.tf.prompt.shown().front().title, "Nome indicatore");
    EXPECT_EQ(s.memory.counter, 1);
    EXPECT_FALSE(s.tf.prompt.busy());
}

TEST(frmFunzione, DivisionGivesBlankOnAZeroOrNonNumericDivisor)
{
    Window s;
    s.tf.prompt.answerInput(QString("Rapporto"));
    s.press({"[AS013_2005]", "/", "[AS014_2005]", "="});
    EXPECT_EQ(s.column(8), (QStringList{"2,5000", "", "", "", "-2,4167"}));
    EXPECT_TRUE(s.tf.prompt.messages().isEmpty());

    // The derived column is offered by the next formula window, and the name defaults follow
    // the count and the last column picked.
    Window next;
    next.table = s.table;
    next.memory = s.memory;
    next.w = std::make_unique<ui::frmFunzione>(*next.ctx, next.table, next.memory);
    next.w->show();
    EXPECT_EQ(next.child<QListWidget>("lstColonne")->count(), 3);
    next.tf.prompt.answerInput(QString("Doppio"));
    next.press({"[Rapporto]", "*", "2", "="});
    EXPECT_EQ(next.column(9), (QStringList{"5,0000", "", "", "", "-4,8334"}));
    EXPECT_EQ(next.memory.counter, 2);
}

TEST(frmFunzione, RejectedNameIsAskedAgainAndACancelledNameChangesNothing)
{
    Window s;
    s.tf.prompt.answerInput(QString("con spazio"));
    s.tf.prompt.answerInput(QString("con_trattino"));
    s.tf.prompt.answerInput(std::nullopt); // then the box is cancelled
    s.press({"[AS013_2005]", "+", "1", "="});
    const QStringList warnings = s.tf.prompt.messages();
    ASSERT_EQ(warnings.size(), 2);
    EXPECT_EQ(warnings[0], "Il nome non deve contenere spazi o caratteri speciali.");
    int inputs = 0;
    for (const auto &shown : s.tf.prompt.shown()) {
        if (shown.kind == ScriptedPrompt::Shown::Kind::Message) {
            EXPECT_EQ(shown.title, "Attenzione!");
            EXPECT_EQ(shown.icon, Icon::Exclamation);
        }
        inputs += shown.kind == ScriptedPrompt::Shown::Kind::Input;
    }
    EXPECT_EQ(inputs, 3);
    EXPECT_EQ(s.table.columnCount(), 8);
    EXPECT_TRUE(s.added.isEmpty());
    EXPECT_TRUE(s.w->isVisible());
    EXPECT_EQ(s.expression(), "AS013_2005 + 1");
    EXPECT_FALSE(s.tf.prompt.busy());
}

TEST(frmFunzione, SyntaxErrorKeepsTheWindowTheExpressionAndTheTable)
{
    Window s;
    const DataTable before = s.table;
    s.tf.prompt.answerInput(QString("Errato"));
    s.press({"(", "[AS013_2005]", ")", "[AS014_2005]", "="});
    ASSERT_EQ(s.tf.prompt.messages(), QStringList{"L'espressione contiene errori di sintassi."});
    EXPECT_EQ(s.tf.prompt.shown().back().title, "ATTENZIONE!");
    EXPECT_EQ(s.tf.prompt.shown().back().icon, Icon::Exclamation);
    EXPECT_EQ(s.table.rows(), before.rows());
    EXPECT_TRUE(s.added.isEmpty());
    EXPECT_TRUE(s.w->isVisible());
    EXPECT_EQ(s.expression(), "( AS013_2005 ) AS014_2005 ");

    // Annulla closes without change.
    s.press({"R"});
    QTest::mouseClick(s.child<QPushButton>("cmdAnnulla"), Qt::LeftButton);
    EXPECT_FALSE(s.w->isVisible());
    EXPECT_EQ(s.w->result(), QDialog::Rejected);
    EXPECT_EQ(s.table.rows(), before.rows());
}

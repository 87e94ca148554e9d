// The progress dialog of the program's prompt: nothing for short work, a dialog with a cancel
// button once the work lasts.

#include "shell/ui/qtprompt.h"

#include <QApplication>
#include <QProgressDialog>
#include <QTest>
#include <gtest/gtest.h>

using namespace qrn;

TEST(QtPromptProgress, ShowsTheDialogOnlyAfterHalfASecondAndHearsItsCancel)
{
    ui::QtPrompt prompt;
    ProgressReport slow(&prompt, QStringLiteral("Esportazione della tabella"), 10);
    EXPECT_TRUE(slow.step(1));
    EXPECT_EQ(prompt.progressDialog(), nullptr);
    QTest::qWait(ui::QtPrompt::kProgressDelayMs + 50);
    EXPECT_TRUE(slow.step(4));
    QProgressDialog *dialog = prompt.progressDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->labelText(), QStringLiteral("Esportazione della tabella"));
    EXPECT_EQ(dialog->maximum(), 10);
    EXPECT_EQ(dialog->value(), 4);

    dialog->cancel();
    EXPECT_FALSE(slow.step(5));
    EXPECT_TRUE(slow.cancelled());
    slow.finish();
    EXPECT_EQ(prompt.progressDialog(), nullptr);
}

// Over the progress dialog the pointer is the arrow, busy as the work may be; once the dialog
// goes the busy pointer is back. Guards nest: the pointer stays busy until the outer one ends, and
// releasing it leaves no pointer of the program's behind.
TEST(QtPromptBusy, ArrowOverTheDialogBusyPointerAfterItUntilTheOuterGuardEnds)
{
    ui::QtPrompt prompt;
    auto shape = [] { return QApplication::overrideCursor() ? int(QApplication::overrideCursor()->shape()) : -1; };
    {
        BusyPointer busy(&prompt);
        {
            BusyPointer inner(&prompt);
        }
        EXPECT_EQ(shape(), int(Qt::WaitCursor));
        ProgressReport slow(&prompt, QStringLiteral("Atlante"), 10);
        QTest::qWait(ui::QtPrompt::kProgressDelayMs + 50);
        EXPECT_TRUE(slow.step(2));
        ASSERT_NE(prompt.progressDialog(), nullptr);
        EXPECT_EQ(shape(), int(Qt::ArrowCursor));
        slow.finish();
        EXPECT_EQ(shape(), int(Qt::WaitCursor));
    }
    EXPECT_EQ(shape(), -1);
    prompt.setBusy(false); // one too many does nothing
    EXPECT_EQ(shape(), -1);
}

TEST(FileDialogs, EachPatternShowsOnce)
{
    EXPECT_EQ(ui::QtPrompt::qtFilter("File zip (*.zip)|*.zip"), "File zip (*.zip)");
    EXPECT_EQ(ui::QtPrompt::qtFilter("Immagini|*.bmp;*.jpg|Tutti i file (*.*)|*.*"),
              "Immagini (*.bmp *.jpg);;Tutti i file (*.*)");
}

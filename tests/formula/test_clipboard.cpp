// "Copia negli Appunti" puts exactly one cell on the clipboard, as plain text.

#include "table/datatable.h"
#include "table/export.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

using namespace qrn;

TEST(CopiaNegliAppunti, OnlyTheCellAtTheSelectionEndAsPlainText)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    ASSERT_TRUE(clipboard);
    clipboard->setText(QStringLiteral("prima"));
    DataTable t({{"COD_TERR", "Territorio", "AS013_2005"}, {"001", "Torino", "12,50"}, {"002", "Vercelli", "3,00"}});
    // A selection of several cells: only its end corner goes.
    t.current = {1, 1};
    t.selEnd = {2, 2};
    CopiaNegliAppunti(t);
    EXPECT_EQ(clipboard->text(), "3,00");
    const QMimeData *data = clipboard->mimeData();
    ASSERT_TRUE(data);
    EXPECT_FALSE(data->hasHtml());
    EXPECT_EQ(data->text(), "3,00"); // no header, tab or line end
}

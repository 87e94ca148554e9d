// The notes of a table read from the sample catalogue.

#include "shell/context.h"
#include "support/testfolder.h"
#include "table/tablenotes.h"

#include <QMap>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

TEST(TableNotes, SeriesAndYearNotesOfTheTablesColumnsOnly)
{
    TestFolder tf;
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    ctx->CurrentTipo = "Variabili";
    const TableNotes n = readTableNotes(*ctx, ctx->CurrentTipo,
                                        {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio",
                                         "TR001_2005", "TR001_2001", "TR003_2005", "Funz12005", "O'Brien_2005"});
    EXPECT_FALSE(n.updateNote.isEmpty());
    QMap<QString, TableNote> notes;
    for (const TableNote &t : n.items)
        notes.insert(t.code, t);
    EXPECT_EQ(n.items.size(), 2u);
    EXPECT_EQ(notes.keys(), (QStringList {"TR001", "TR003"}))
        << "territory columns, a derived column and a name with an apostrophe match nothing";
    EXPECT_TRUE(notes["TR001"].series.startsWith("Sono escluse le strade comunali"));
    // Only the years that are columns of the table: 2005 has no note.
    EXPECT_EQ(notes["TR001"].years.size(), 1);
    // TR003 has a note for 2004, which is not in the table.
    EXPECT_TRUE(notes["TR003"].years.isEmpty());

    EXPECT_TRUE(tableNotesHtml(n).contains("<b>TR001</b>") && tableNotesHtml(n).contains("Anno 2001: Dal 2001"));
    EXPECT_TRUE(tableNotesHtml(TableNotes {}).contains("non ci sono note"));

    // Indicators show their technical note.
    ctx->CurrentTipo = "Indicatori";
    const TableNotes i = readTableNotes(*ctx, ctx->CurrentTipo, {"Territorio", "ITR001_2004", "ITR001_2005"});
    ASSERT_EQ(i.items.size(), 1u);
    EXPECT_EQ(i.items[0].code, "ITR001");
    EXPECT_TRUE(i.items[0].series.startsWith("Superficie territoriale di fonte ISTAT") && i.items[0].years.isEmpty());
}

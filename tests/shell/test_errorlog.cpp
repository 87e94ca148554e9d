#include "shell/errorlog.h"
#include "support/testfolder.h"

#include <QFile>
#include <QObject>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {
ErrorLog fixedLog(TestFolder &tf)
{
    ErrorLog log;
    log.setFilesFolder(tf.file("Files/"));
    log.setPrompt(&tf.prompt);
    log.setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    log.setClock([] { return QDateTime(QDate(2026, 12, 6), QTime(9, 5, 7)); });
    return log;
}
} // namespace

TEST(ErrorLog, LinesAreWrittenByteForByteInOrderWithOneMessageEach)
{
    TestFolder tf(false);
    ErrorLog log = fixedLog(tf);
    QObject window;
    window.setObjectName("FormdatiTab");
    log.logError("Utility", "GetDbConnection", "-2147467259", "Impossibile trovare il file.");
    log.logError(&window, "objtree_NodeClick", "3265", "Elemento non trovato; città");
    const QByteArray expected = "06/12/26 09:05:07 - Module:Utility Function: GetDbConnection Error N.-2147467259 "
                                "Description:Impossibile trovare il file.\r\n"
                                "06/12/26 09:05:07 - Module:FormdatiTab Function: objtree_NodeClick Error N.3265 "
                                "Description:Elemento non trovato; citt\xe0\r\n";
    EXPECT_EQ(tf.read("Files/Error.log"), expected);
    ASSERT_EQ(tf.prompt.shown().size(), 2u);
    EXPECT_EQ(tf.prompt.shown()[0].text, "Errore : Impossibile trovare il file. Il File Error.log è stato riempito.");
    EXPECT_EQ(tf.prompt.shown()[0].icon, Icon::Exclamation);
    EXPECT_TRUE(tf.prompt.shown()[0].title.isEmpty());

    // The map file is deleted before each line.
    tf.write("Files/MAPINFO.dbc", "stale");
    log.logError("Utility", "b", "2", "y");
    EXPECT_FALSE(QFile::exists(tf.file("Files/MAPINFO.dbc")));
}

TEST(ErrorLog, AnUnwritableFolderLosesTheLineButStillTellsTheUser)
{
    TestFolder tf(false);
    ErrorLog log = fixedLog(tf);
    log.setFilesFolder(tf.file("NonEsiste/Files/"));
    log.logError("Utility", "a", "1", "x");
    EXPECT_EQ(tf.prompt.messages().size(), 1);
    EXPECT_FALSE(QFile::exists(tf.file("NonEsiste/Files/Error.log")));
    tf.prompt.setBusy(true);
    log.logError("Utility", "a", "1", "x");
    EXPECT_FALSE(tf.prompt.busy()); // pointer back to normal
}

TEST(ErrorLog, DebugTraceWritesNothingWhileOff)
{
    TestFolder tf(false);
    ErrorLog log = fixedLog(tf);
    log.setDebugTrace(false);
    log.debug("frmMainMDI", "Mdi_Load", "001");
    EXPECT_FALSE(QFile::exists(tf.file("Files/Debug.log")));
    log.setDebugTrace(true);
    log.debug("frmMainMDI", "Mdi_Load", "002");
    EXPECT_EQ(tf.read("Files/Debug.log"), "06/12/26 09:05:07 - Module:frmMainMDI Function: Mdi_Load Debug:002\r\n");
    EXPECT_TRUE(tf.prompt.shown().empty());
}

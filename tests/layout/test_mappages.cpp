// The pages of an atlas: one PDF, or one file a year for the other formats.

#include "layout/pageoutput.h"
#include "mappicture.h"
#include "metadata/pdftext.h"
#include "support/scriptedprompt.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qrn;

namespace {

std::vector<YearPage> yearPages(const QStringList &years)
{
    std::vector<YearPage> pages;
    for (const QString &year : years) {
        MapPageRequest r = test::sampleMapRequest();
        r.variableText = QStringLiteral("AS013_%1: Lunghezza della rete stradale").arg(year);
        pages.push_back({year, r});
    }
    return pages;
}

} // namespace

TEST(MapPages, YearFileNames)
{
    const char *cases[][3] = {{"/tmp/a.b/mappa.anno.JPG", "2005", "/tmp/a.b/mappa.anno-2005.JPG"},
                              {"/tmp/a.b/senza", "2001", "/tmp/a.b/senza-2001"}};
    for (const auto &c : cases)
        EXPECT_EQ(yearFileName(QString::fromUtf8(c[0]), QString::fromUtf8(c[1])), QString::fromUtf8(c[2])) << c[0];
}

TEST(MapPages, EveryYearOnAPageOfOnePdf)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("atlante.pdf"));
    const std::vector<PageFile> files = writeMapPages(yearPages({"1997", "1998", "1999"}),
                                                      {QStringLiteral("Rete stradale"), QString()}, pdf);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0].name == pdf && files[0].pageCount == 3 && files[0].result.ok);
    const QString text = test::pdfText(pdf);
    EXPECT_EQ(text.count(QLatin1Char('\f')), 3); // one form feed after each page
    for (const char *year : {"1997", "1998", "1999"}) { // the title on every page, with its year
        EXPECT_TRUE(text.contains(QStringLiteral("Rete stradale - %1").arg(QLatin1String(year)))) << year;
        EXPECT_TRUE(text.contains(QStringLiteral("AS013_%1:").arg(QLatin1String(year)))) << year;
    }
    // No picture inside: the map is drawn as vector paths; the list has its two heading lines only.
    QProcess images;
    images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    ASSERT_TRUE(images.waitForFinished(60000) && images.exitCode() == 0);
    EXPECT_EQ(QString::fromUtf8(images.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).size(), 2);
}

TEST(MapPages, OneFilePerYearForImagesWithTheGivenTexts)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("atlante.jpg"));
    const std::vector<PageFile> files = writeMapPages(yearPages({"2001", "2005"}),
                                                      {QString(), QStringLiteral("Fonte: Istat")}, name);
    ASSERT_EQ(files.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const QString expected = dir.filePath(QStringLiteral("atlante-%1.jpg").arg(i == 0 ? 2001 : 2005));
        EXPECT_TRUE(files[size_t(i)].name == expected && files[size_t(i)].firstPage == i && files[size_t(i)].result.ok);
        QFile f(expected);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly) && f.read(2) == "\xFF\xD8") << expected.toStdString();
    }
    EXPECT_FALSE(QFile::exists(name));

    // A page without a year goes under the name itself; the texts replace the editor's.
    const QString pdf = dir.filePath(QStringLiteral("pagina.pdf"));
    std::vector<YearPage> single = yearPages({"2005"});
    single[0].year.clear();
    ASSERT_TRUE(
        writeMapPages(single, {QStringLiteral("Titolo mio"), QStringLiteral("Fonte: Istat")}, pdf)[0].result.ok);
    const QString text = test::pdfText(pdf);
    EXPECT_TRUE(text.contains("Titolo mio") && text.contains("Fonte: Istat")) << text.toStdString();
    EXPECT_FALSE(text.contains("Inserire un Titolo") || text.contains("AS013_2005")) << text.toStdString();
}

TEST(MapPages, StopsAtTheFirstFileNotWritten)
{
    QTemporaryDir dir;
    const std::vector<PageFile> files = writeMapPages(yearPages({"2001", "2005"}), {},
                                                      dir.filePath(QStringLiteral("manca/atlante.png")));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_FALSE(files[0].result.ok);
    EXPECT_TRUE(writeMapPages({}, {}, dir.filePath(QStringLiteral("vuoto.pdf"))).empty());
}

TEST(MapPages, AStopHalfWayLeavesTheFolderAsItWas)
{
    // The user stops at the second page (or, for one page file, after the encoding): whatever
    // the format, every earlier file keeps its bytes and nothing new appears in the folder.
    for (const char *suffix : {"png", "pdf", "jpg"}) {
        test::TestFolder tf {false};
        const QString name = QStringLiteral("atlante.%1").arg(QLatin1String(suffix));
        const QString old = QLatin1String(suffix) == QLatin1String("pdf") ? name : yearFileName(name, "2001");
        tf.write(old, "pagina di prima");
        const QStringList before = QDir(tf.path()).entryList(QDir::Files | QDir::Hidden);

        ScriptedPrompt prompt;
        prompt.cancelProgressAtStep(2);
        ProgressReport report(&prompt, QStringLiteral("Atlante"), 3);
        EXPECT_TRUE(
            writeMapPages(yearPages({"2001", "2005", "2009"}), {}, tf.file(name), {}, report.part(0, 3)).empty());
        EXPECT_TRUE(report.cancelled());
        ASSERT_EQ(prompt.progressShown().size(), 1u);
        EXPECT_EQ(prompt.progressShown()[0].steps, (std::vector<int> {1, 2})) << suffix; // nothing after the stop
        EXPECT_EQ(tf.read(old), "pagina di prima") << suffix;
        EXPECT_EQ(QDir(tf.path()).entryList(QDir::Files | QDir::Hidden), before) << suffix;
    }
    // One PNG page at 300 dpi, stopped after it is encoded: the last moment before it takes the
    // place of the earlier file.
    test::TestFolder tf {false};
    tf.write("pagina.png", "pagina di prima");
    ScriptedPrompt prompt;
    prompt.cancelProgressAtStep(2);
    ProgressReport report(&prompt, QStringLiteral("Pagina"), 2);
    const LayoutPage page = makeLayoutPage(yearPages({"2001"})[0].request, editorDefaults());
    const WriteResult written = writePageFile({page}, {}, tf.file("pagina.png"), kDefaultRasterPixelsPerInch,
                                              report.part(0, 2));
    EXPECT_TRUE(!written && written.message == pageOutputStoppedText());
    EXPECT_EQ(tf.read("pagina.png"), "pagina di prima");
    EXPECT_EQ(QDir(tf.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"pagina.png"});
}

TEST(MapPages, AnAtlasRunToItsEndReplacesTheOldPagesAndLeavesNoTemporary)
{
    test::TestFolder tf {false};
    tf.write("atlante-2005.png", "pagina di prima");
    std::vector<std::size_t> seen;
    const std::vector<PageFile> files = writeMapPages(yearPages({"2001", "2005"}), {}, tf.file("atlante.png"), {},
                                                      [&](std::size_t done, std::size_t total) {
                                                          EXPECT_EQ(total, 2u);
                                                          seen.push_back(done);
                                                          return true;
                                                      });
    ASSERT_EQ(files.size(), 2u);
    EXPECT_TRUE(files[0].result.ok && files[1].result.ok);
    EXPECT_EQ(seen, (std::vector<std::size_t> {1, 2}));
    EXPECT_TRUE(tf.read("atlante-2005.png").startsWith("\x89PNG"));
    EXPECT_EQ(QDir(tf.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList {"atlante-2001.png", "atlante-2005.png"}));
}

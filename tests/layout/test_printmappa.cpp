#include "layout/ui/pagepreview.h"
#include "layout/ui/printmappa.h"
#include "mappicture.h"
#include "support/startmain.h"
#include "support/testfolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QUndoStack>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace qrn;
using namespace qrn::ui;

namespace {

struct Editor {
    test::TestFolder folder {false};
    std::unique_ptr<AppContext> ctx = folder.context();
    PrintMappa *w;
    QStringList offered; // the names the last pop-up offered
    int popupAnswer = -1;

    explicit Editor(MapPageRequest request = test::sampleMapRequest())
    {
        w = new PrintMappa(*ctx, *ctx, request);
        w->setPopupChooser([this](const QStringList &names) {
            offered = names;
            return popupAnswer;
        });
        w->show();
        QApplication::processEvents();
    }
    ~Editor() { delete w; }
    template <class T> T *child(const char *name) { return w->findChild<T *>(QString::fromLatin1(name)); }
    QPoint pixel(QPointF inches) const { return w->preview()->toPixel(inches).toPoint(); }
    void rightClick(QPointF inches) { QTest::mouseClick(w->preview(), Qt::RightButton, {}, pixel(inches)); }
    void drag(QPointF from, QPointF to)
    {
        QTest::mousePress(w->preview(), Qt::LeftButton, {}, pixel(from));
        QMouseEvent move(QEvent::MouseMove, QPointF(pixel(to)), w->preview()->mapToGlobal(QPointF(pixel(to))),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w->preview(), &move);
        QTest::mouseRelease(w->preview(), Qt::LeftButton, {}, pixel(to));
    }
};

} // namespace

// The controls show the page they edit; the preview shows the whole page at its proportions.
TEST(PrintMappa, OpensWithEveryControlAndItsStartingState)
{
    Editor e;
    EXPECT_EQ(e.child<QSlider>("Slider1")->value(), qRound(e.w->page().zoom * 100));
    EXPECT_EQ(e.child<QComboBox>("cmb_Fontsize")->currentText(), e.w->page().title.fontSize);
    EXPECT_EQ(e.child<QLineEdit>("txtDesc")->text(), test::sampleMapRequest().variableText);
    auto *list = e.child<QListWidget>("lst_leggenda");
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("Classe 2"));
    EXPECT_NEAR(e.w->preview()->pixelsPerInch() * e.w->page().pageSize.height(), e.w->preview()->height(), 20);
}

TEST(PrintMappa, RightClickSelectsTheItemsTabAndDraggingMovesIt)
{
    Editor e;
    auto *tabs = e.child<QTabWidget>("SSTab1");
    auto *list = e.child<QListWidget>("lst_leggenda");
    LayoutPage &page = e.w->page();
    page.title.left = 1.0;
    page.title.top = 8.0;
    page.mapLeft = 0.578, page.mapTop = 1.007, page.zoom = 0.65;
    for (int i = 0; i < page.legend.count(); ++i)
        page.legend[i].left = 1.3, page.legend[i].top = 8.0 + page.rowOffset(i);
    const QPointF overlap(1.25, 8.1), mapOnly(3.0, 3.0);

    // Closed without a choice, the pop-up selects nothing; a single item needs no pop-up.
    for (auto [at, answer, tab, listRow] : {std::tuple {overlap, 1, TabTitle, 0},
                                            {overlap, 0, TabLegend, 1},
                                            {overlap, -1, TabFrame, 0},
                                            {mapOnly, -1, TabMap, 0}}) {
        tabs->setCurrentIndex(TabFrame);
        list->setCurrentRow(0);
        e.offered.clear();
        e.popupAnswer = answer;
        e.rightClick(at);
        EXPECT_EQ(tabs->currentIndex(), tab) << answer;
        EXPECT_EQ(list->currentRow(), listRow) << answer;
        EXPECT_EQ(e.offered, at == overlap ? QStringList({"Leggenda", "Titolo", "Mappa"}) : QStringList());
    }
    // A left click selects nothing.
    tabs->setCurrentIndex(TabFrame);
    QTest::mouseClick(e.w->preview(), Qt::LeftButton, {}, e.pixel(mapOnly));
    EXPECT_EQ(tabs->currentIndex(), TabFrame);

    // Dragging moves what the tab selects by the pointer's movement, wherever it was grabbed.
    const double pixel = 1.0 / e.w->preview()->pixelsPerInch();
    tabs->setCurrentIndex(TabMap);
    const QPointF before(page.mapLeft, page.mapTop);
    e.drag(QPointF(3, 3), QPointF(2.5, 2.0));
    EXPECT_LE(QLineF(QPointF(page.mapLeft, page.mapTop), before + QPointF(-0.5, -1.0)).length(), 2.5 * pixel);
}

TEST(PrintMappa, ItemSwitchesEnableTheirControlsAndRefillEmptyTexts)
{
    Editor e;
    struct Case {
        const char *check, *text, *font, *size, *colour;
        QString placeholder;
    };
    const Case cases[] = {
        {"Chk_Titolo", "txt_Titolo", "cmb_Font", "cmb_Fontsize", "lbl_colore", QStringLiteral("Inserire un Titolo")},
        {"chkDesc", "txtDesc", "cmbDesc_TipoFont", "cmbDesc_DimFont", "lblDesc_Colore",
         QStringLiteral("Inserire una decrizione della variabile")}};
    for (const Case &c : cases) {
        auto *check = e.child<QCheckBox>(c.check);
        auto *text = e.child<QLineEdit>(c.text);
        check->setChecked(false);
        for (const char *name : {c.text, c.font, c.size, c.colour})
            EXPECT_FALSE(e.w->findChild<QWidget *>(QString::fromLatin1(name))->isEnabled()) << name;
        text->setText(QStringLiteral("  "));
        check->setChecked(true);
        EXPECT_EQ(text->text(), c.placeholder);
        EXPECT_TRUE(text->isEnabled());
    }
    EXPECT_FALSE(e.w->items().title && e.w->page().title.text.isEmpty());

    // Leaving an emptied title box switches the title off.
    auto *title = e.child<QLineEdit>("txt_Titolo");
    title->setText(QStringLiteral("   "));
    emit title->editingFinished();
    EXPECT_EQ(title->text(), QString());
    EXPECT_FALSE(e.child<QCheckBox>("Chk_Titolo")->isChecked());
    EXPECT_FALSE(e.w->items().title);
}

TEST(PrintMappa, StylingControlsChangeThePage)
{
    Editor e;
    LayoutPage &page = e.w->page();
    auto *list = e.child<QListWidget>("lst_leggenda");
    list->setCurrentRow(2);
    e.child<QComboBox>("cmb_LFontSize")->setCurrentText(QStringLiteral("20"));
    EXPECT_EQ(page.legend[1].fontSize, 20);

    // The in-place editor writes the entry back into its row.
    e.child<QTabWidget>("SSTab1")->setCurrentIndex(TabLegend);
    QApplication::processEvents();
    const QPoint entry2 = list->visualItemRect(list->item(2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry2);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, entry2);
    auto *editor = e.child<QLineEdit>("txtEditLegenda");
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("Classe 2"));
    editor->setText(QStringLiteral("da 10 a 20 km"));
    QTest::mouseClick(e.child<QPushButton>("cmdEditOk"), Qt::LeftButton);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(page.legend[1].text == "da 10 a 20 km" && list->item(2)->text() == "da 10 a 20 km");

    // Colours come from the colour dialog.
    e.folder.prompt.answerColor(QColor(200, 0, 0));
    QTest::mouseClick(e.child<QLabel>("lbl_colore"), Qt::LeftButton);
    EXPECT_EQ(page.title.colour, QColor(200, 0, 0));

    e.child<QSlider>("Slider1")->setValue(80);
    EXPECT_DOUBLE_EQ(page.zoom, 0.8);
    QTest::mouseClick(e.child<QPushButton>("cmd_GrM"), Qt::LeftButton);
    EXPECT_NEAR(page.boxSize, 0.2, 1e-9);

    struct Margin {
        const char *button;
        double *field;
        double delta;
    };
    const Margin margins[] = {{"cmd_margSupmen", &page.frame.top, -0.2},   {"cmd_margSuppiu", &page.frame.top, 0.2},
                              {"cmd_marInfmen", &page.frame.bottom, -0.2}, {"cmd_marInfpiu", &page.frame.bottom, 0.2},
                              {"cmd_marsinmen", &page.frame.left, -0.2},   {"cmd_marsinpiu", &page.frame.left, 0.2},
                              {"cmd_mardesmen", &page.frame.right, -0.2},  {"cmd_mardespiu", &page.frame.right, 0.2}};
    for (const Margin &m : margins) {
        const double before = *m.field;
        QTest::mouseClick(e.child<QPushButton>(m.button), Qt::LeftButton);
        EXPECT_NEAR(*m.field - before, m.delta, 1e-9) << m.button;
    }
}

TEST(PrintMappa, PrintsAndSavesThroughThePrompt)
{
    Editor e;
    ScriptedPrompt &prompt = e.folder.prompt;
    const QString pdf = e.folder.file(QStringLiteral("stampa.pdf"));
    prompt.answerPrinter([pdf](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    QTest::mouseClick(e.child<QPushButton>("cmdStampa"), Qt::LeftButton);
    QFile printed(pdf);
    EXPECT_TRUE(printed.open(QIODevice::ReadOnly) && printed.read(4) == "%PDF");

    // Cancelled printer choice and save dialog do nothing.
    prompt.clear();
    QTest::mouseClick(e.child<QPushButton>("cmdStampa"), Qt::LeftButton);
    QTest::mouseClick(e.child<QPushButton>("cmdSalva"), Qt::LeftButton);
    EXPECT_EQ(prompt.shown().size(), 2u);
    EXPECT_TRUE(prompt.messages().isEmpty());

    const QString jpg = e.folder.file(QStringLiteral("pagina.jpg"));
    prompt.answerFile(jpg);
    auto *dpi = e.child<QSpinBox>("spnRisoluzione");
    EXPECT_EQ(dpi->value(), 300);
    dpi->setValue(150);
    QTest::mouseClick(e.child<QPushButton>("cmdSalva"), Qt::LeftButton);
    EXPECT_EQ(prompt.messages(), QStringList {QStringLiteral("Immagine %1 salvata correttamente.").arg(jpg)});
    // The picture is at the resolution chosen.
    EXPECT_EQ(QImage(jpg).size(), (e.w->page().pageSize * 150).toSize());
}

TEST(PrintMappa, SaveAndPrintAsksForThePrinterOnOpening)
{
    MapPageRequest request = test::sampleMapRequest();
    request.printAtOnce = true;
    Editor e(request);
    QApplication::processEvents();
    ASSERT_FALSE(e.folder.prompt.shown().empty());
    EXPECT_EQ(e.folder.prompt.shown().back().kind, ScriptedPrompt::Shown::Kind::Printer);
}

// A page that cannot be written: the editor says so and writes the system's words in Error.log.
TEST(PrintMappa, FailedSaveIsShownAndLogged)
{
    Editor e;
    const QString bmp = e.folder.file(QStringLiteral("manca/pagina.bmp"));
    e.folder.prompt.answerFile(bmp);
    QTest::mouseClick(e.child<QPushButton>("cmdSalva"), Qt::LeftButton);
    ASSERT_FALSE(e.folder.prompt.shown().empty());
    EXPECT_EQ(e.folder.prompt.shown().back().icon, Icon::Critical);
    const QString log = QString::fromLatin1(e.folder.read("Files/Error.log"));
    EXPECT_TRUE(log.contains(QStringLiteral("Module:PrintMappa Function: cmdSalva_Click"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Impossibile scrivere il file"))) << log.toStdString();
}

// In the main window "Chiudi" takes the frame away with the editor; opened again for the same
// map, the editor shows the page as the user left it, while another map starts afresh.
TEST(PrintMappa, OpensInsideTheMainWindowAndKeepsTheEditsOfAMap)
{
    test::TestFolder folder;
    auto ctx = folder.context();
    auto main = test::startMainWindow(folder, *ctx);
    const qsizetype before = main->area()->subWindowList().size();
    const auto open = [&](const MapPageRequest &request) {
        PrintMappa *w = openPrintMappa(*main, request);
        EXPECT_EQ(main->area()->activeSubWindow()->widget(), w);
        return w;
    };
    const auto close = [&](PrintMappa *editor) {
        QPointer<PrintMappa> w = editor;
        QPointer<QWidget> frame = qobject_cast<QMdiSubWindow *>(w->parentWidget());
        ASSERT_TRUE(frame);
        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("cmd_close")), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(frame.isNull() && w.isNull());
        EXPECT_EQ(main->area()->subWindowList().size(), before);
    };
    PrintMappa *w = open(test::sampleMapRequest());
    const LayoutPage fresh = w->page();
    w->findChild<QLineEdit *>(QStringLiteral("txt_Titolo"))->setText(QStringLiteral("Rete stradale 2005"));
    w->findChild<QSlider *>(QStringLiteral("Slider1"))->setValue(40);
    w->page().mapLeft = 1.25;
    close(w);

    w = open(test::sampleMapRequest());
    EXPECT_EQ(w->findChild<QLineEdit *>(QStringLiteral("txt_Titolo"))->text(), QStringLiteral("Rete stradale 2005"));
    EXPECT_EQ(w->findChild<QSlider *>(QStringLiteral("Slider1"))->value(), 40);
    EXPECT_DOUBLE_EQ(w->page().mapLeft, 1.25);
    close(w);

    MapPageRequest other = test::sampleMapRequest();
    other.variableText = QStringLiteral("AS014 - Lunghezza della rete ferroviaria (2005)");
    w = open(other);
    EXPECT_EQ(w->page().title.text, fresh.title.text);
    EXPECT_DOUBLE_EQ(w->page().mapLeft, fresh.mapLeft);
    close(w);
}

TEST(PrintMappa, PaperArrowKeysAndUndo)
{
    Editor e;
    LayoutPage &page = e.w->page();
    // Another paper: the page takes its size, the preview its proportions.
    e.child<QComboBox>("cmbCarta")->setCurrentText(QStringLiteral("A3"));
    e.child<QComboBox>("cmbOrientamento")->setCurrentText(QStringLiteral("Orizzontale"));
    EXPECT_EQ(page.pageSize, paperInches(Paper::A3, true));
    EXPECT_LT(e.w->preview()->pixelsPerInch() * page.pageSize.width(), e.w->preview()->width() + 1);

    // The arrow keys move the item of the tab, a twentieth of an inch a press.
    e.child<QTabWidget>("SSTab1")->setCurrentIndex(TabTitle);
    const QPointF start(page.title.left, page.title.top);
    e.w->preview()->setFocus();
    QTest::keyClick(e.w->preview(), Qt::Key_Right);
    QTest::keyClick(e.w->preview(), Qt::Key_Right);
    QTest::keyClick(e.w->preview(), Qt::Key_Down);
    EXPECT_NEAR(page.title.left - start.x(), 0.1, 1e-9);
    EXPECT_NEAR(page.title.top - start.y(), 0.05, 1e-9);
    e.child<QSlider>("Slider1")->setValue(30);

    // Ctrl+Z takes back the zoom, then the moves, then the paper; Ctrl+Y does them again.
    QTest::keyClick(e.w->preview(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(page.zoom, 0.3);
    EXPECT_NEAR(page.title.left - start.x(), 0.1, 1e-9);
    QTest::keyClick(e.w->preview(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(QPointF(page.title.left, page.title.top), start);
    QTest::keyClick(e.w->preview(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(e.w->preview(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(page.pageSize, a4PageInches());
    EXPECT_EQ(e.child<QComboBox>("cmbCarta")->currentText(), QStringLiteral("A4"));
    EXPECT_EQ(e.child<QComboBox>("cmbOrientamento")->currentIndex(), 0);
    while (e.w->undoStack()->canRedo())
        QTest::keyClick(e.w->preview(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(page.zoom, 0.3);
    EXPECT_EQ(e.child<QSlider>("Slider1")->value(), 30);
    EXPECT_EQ(page.pageSize, paperInches(Paper::A3, true));
}

// The scale bar and the north arrow: a switch each, taken by a press on them, dragged and taken
// back with Ctrl+Z like the other items.
TEST(PrintMappa, MapMarksShowMoveAndUndo)
{
    Editor e;
    LayoutPage &page = e.w->page();
    EXPECT_FALSE(e.w->items().scaleBar || e.w->items().northArrow);
    e.child<QCheckBox>("chkScala")->setChecked(true);
    e.child<QCheckBox>("chkNord")->setChecked(true);
    EXPECT_TRUE(e.w->items().scaleBar && e.w->items().northArrow);

    e.child<QTabWidget>("SSTab1")->setCurrentIndex(TabTitle);
    const QPointF title(page.title.left, page.title.top), bar = page.scaleBarAt;
    e.drag(bar + QPointF(0.05, 0.05), bar + QPointF(0.55, -0.95));
    const double pixel = 1.0 / e.w->preview()->pixelsPerInch(); // the pointer lands on whole pixels
    EXPECT_NEAR(page.scaleBarAt.x() - bar.x(), 0.5, pixel);
    EXPECT_NEAR(page.scaleBarAt.y() - bar.y(), -1.0, pixel);
    EXPECT_EQ(QPointF(page.title.left, page.title.top), title);
    e.w->preview()->setFocus();
    QTest::keyClick(e.w->preview(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(page.scaleBarAt, bar);

    // Choosing a tab gives the keys back to its item.
    e.child<QTabWidget>("SSTab1")->setCurrentIndex(TabDescription);
    const QPointF desc(page.description.left, page.description.top);
    QTest::keyClick(e.w->preview(), Qt::Key_Up);
    EXPECT_NEAR(page.description.top - desc.y(), -0.05, 1e-9);
    EXPECT_EQ(page.scaleBarAt, bar);
}

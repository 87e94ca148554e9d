// The metadata windows driven as a user drives them: browser, sheets, reports, list, glossary.

#include "metadata/ui/frm_glossario.h"
#include "metadata/ui/frmmetadati.h"
#include "metadata/ui/reportpreview.h"
#include "metadata/ui/sheets.h"
#include "pdftext.h"
#include "support/startmain.h"
#include "support/scriptedprompt.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {

// Menu command items of the sample menu bar.
constexpr int kBrowserCommand = 4, kListCommand = 5, kGlossaryCommand = 6;

struct Scenario {
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    std::unique_ptr<ui::MainWindow> main = qrn::test::startMainWindow(tf, *ctx);

    template <class T = QWidget> T *window(const char *keyword)
    {
        return qobject_cast<T *>(main->registry().existing(QString::fromLatin1(keyword)));
    }
    QString text(QWidget *w, const char *name)
    {
        if (auto *l = w->findChild<QLineEdit *>(QString::fromUtf8(name)))
            return l->text();
        if (auto *t = w->findChild<QPlainTextEdit *>(QString::fromUtf8(name)))
            return t->toPlainText();
        ADD_FAILURE() << "no box " << name;
        return QString();
    }
    void click(QWidget *w, const char *name)
    {
        auto *b = w->findChild<QAbstractButton *>(QString::fromLatin1(name));
        ASSERT_TRUE(b) << name;
        // Near the left edge: a radio button takes clicks on its mark and text only.
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
    }
    ui::ReportPreview *preview(const char *name)
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(name) && w->isVisible())
                return qobject_cast<ui::ReportPreview *>(w);
        return nullptr;
    }
};

} // namespace

TEST(MetadataBrowser, ALeafOpensTheSheetOfItsDatabaseType)
{
    Scenario s;
    s.ctx->CurrentTipo = "Variabili";
    s.main->runMenuCommand(kBrowserCommand);
    auto *w = s.window<ui::frmMetadati>("FRMMETADATI");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->findChild<QComboBox *>("cmb_Databases")->count(), 3);
    EXPECT_EQ(w->tipo(), "Variabili");

    // A topic only expands.
    QTreeWidgetItem *topic = w->nodeByKey("T01");
    ASSERT_TRUE(topic);
    w->objtree_NodeClick(topic);
    EXPECT_TRUE(topic->isExpanded());
    EXPECT_FALSE(s.window("FRMSCHEDAVARIABILI"));

    QTreeWidget *tree = w->findChild<QTreeWidget *>("objtree");
    QTreeWidgetItem *leaf = w->nodeByKey("TR003");
    ASSERT_TRUE(leaf);
    tree->scrollToItem(leaf);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(leaf).center());
    QWidget *sheet = s.window("FRMSCHEDAVARIABILI");
    ASSERT_TRUE(sheet);
    EXPECT_EQ(s.text(sheet, "txtUnità_mis"), "km per 100 km²");

    // Indicators: the second database; the open variable sheet stays, an indicator sheet opens.
    w->cmb_Databases_Click(1);
    EXPECT_EQ(s.ctx->CurrentTipo, "Variabili") << "the browser keeps its type to itself";
    w->objtree_NodeClick(w->nodeByKey("ICO012"));
    QWidget *ind = s.window("FRMSCHEDAINDICATORI");
    ASSERT_TRUE(ind);
    EXPECT_TRUE(ind->findChild<QCheckBox *>("chkProv")->isChecked());
    EXPECT_TRUE(s.window("FRMSCHEDAVARIABILI"));

    // A second indicator replaces the open indicator sheet with a fresh one.
    QPointer<QWidget> old = ind;
    w->cmb_Databases_Click(2);
    w->objtree_NodeClick(w->nodeByKey("IAS014"));
    EXPECT_FALSE(old);
    ind = s.window("FRMSCHEDAINDICATORI");
    ASSERT_TRUE(ind);
    EXPECT_EQ(s.text(ind, "txtValutazione"), "Funzionalità");
    EXPECT_TRUE(s.tf.prompt.messages().isEmpty());
}

TEST(MetadataSheets, MissingEntryPrintPreviewPdfAndPrinter)
{
    Scenario s;
    ui::SheetWindow *sheet = ui::openMetadataSheet(*s.main, "Variabili", "ZZ999");
    ASSERT_TRUE(sheet);
    EXPECT_EQ(s.tf.prompt.messages(), QStringList {"Informazioni per la variabile non disponibili!"});
    s.tf.prompt.clear();
    s.click(sheet, "cmdStampa");
    EXPECT_EQ(s.tf.prompt.messages(), QStringList {"Impossibile eseguire la stampa"});

    s.tf.prompt.clear();
    sheet = ui::openMetadataSheet(*s.main, "Variabili", "TR001");
    s.click(sheet, "cmdStampa");
    ui::ReportPreview *p = s.preview("rptVariabili");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->windowModality(), Qt::ApplicationModal);

    s.tf.prompt.answerFile(s.tf.file("scheda"));
    s.click(p, "cmdSalvaPdf");
    EXPECT_TRUE(qrn::test::pdfText(s.tf.file("scheda.pdf")).contains("TR001 - Estensione delle strade"));

    p->printersInstalled = [] { return false; };
    s.click(p, "cmdStampa");
    EXPECT_EQ(s.tf.prompt.messages(), QStringList {"Stampante non installata!"});
    p->printersInstalled = [] { return true; };
    s.click(p, "cmdStampa");
    EXPECT_EQ(s.tf.prompt.shown().back().kind, ScriptedPrompt::Shown::Kind::Printer) << "cancelled: nothing printed";
    s.click(p, "cmdChiudi");
    QApplication::processEvents();
    EXPECT_FALSE(s.preview("rptVariabili"));

    s.click(sheet, "cmdChiudi");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(s.window("FRMSCHEDAVARIABILI"));
}

TEST(MetadataList, CodesAndTheirDetails)
{
    Scenario s;
    s.main->runMenuCommand(kListCommand);
    auto *w = s.window<ui::frmListaMetadati>("FRMLISTAMETADATI");
    ASSERT_TRUE(w);
    auto *codes = w->findChild<QListWidget *>("lst_CodVar");
    codes->setCurrentItem(codes->findItems("TR003", Qt::MatchExactly).value(0));
    EXPECT_EQ(s.text(w, "txtDescrizione"), "Densità della rete stradale");
    w->cmbVarInd_Click(1);
    EXPECT_EQ(s.text(w, "txtDescrizione"), "");
    EXPECT_EQ(codes->item(0)->text(), "IAS001");
}

TEST(Glossary, FromALetterToADefinitionWithAnApostropheAndItsReport)
{
    Scenario s;
    s.main->runMenuCommand(kGlossaryCommand);
    auto *w = s.window<ui::frm_Glossario>("GLOSSARIO");
    ASSERT_TRUE(w);
    auto *terms = w->findChild<QListWidget *>("lst_NameVar");
    EXPECT_TRUE(terms->findItems("Autostrada", Qt::MatchExactly).size() == 1) << "letter A at start";
    EXPECT_FALSE(w->findChild<QPushButton *>("cmd_ricerca")->isEnabled());
    EXPECT_EQ(w->findChild<QComboBox *>("cmbSettore")->findText("Generale"), -1);

    // Clicking an empty list does nothing; printing without a term cannot bind the report.
    w->cmb_alfabeto_Click(int('X' - 'A'));
    ASSERT_EQ(terms->count(), 0);
    w->lst_NameVar_Click();
    s.click(w, "Cmd_print");
    EXPECT_EQ(s.tf.prompt.messages(), QStringList {"Impossibile eseguire la stampa"});

    w->cmb_alfabeto_Click(int('R' - 'A'));
    const auto found = terms->findItems("Rete d'interesse nazionale", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    terms->scrollToItem(found[0]);
    QTest::mouseClick(terms->viewport(), Qt::LeftButton, {}, terms->visualItemRect(found[0]).center());
    EXPECT_TRUE(s.text(w, "txt_desc").startsWith("Insieme delle infrastrutture"));
    s.click(w, "Cmd_print");
    ui::ReportPreview *p = s.preview("rptGlossario");
    ASSERT_TRUE(p);
    p->close();

    // The contains search, with a typed "%" matched as itself; modes without a box do nothing.
    s.click(w, "Option1_0");
    EXPECT_FALSE(w->findChild<QComboBox *>("cmb_alfabeto")->isEnabled());
    QTest::keyClicks(w->findChild<QLineEdit *>("txt_ricerca_0"), "%");
    s.click(w, "cmd_ricerca");
    ASSERT_EQ(terms->count(), 1);
    EXPECT_EQ(terms->item(0)->text(), "Tasso di riempimento (%)");
    s.click(w, "Option1_2");
    QTest::keyClicks(w->findChild<QLineEdit *>("txt_ricerca_1"), "TE");
    s.click(w, "cmd_ricerca");
    EXPECT_EQ(terms->count(), 1) << "the starts-with box: TEU";
    s.click(w, "Option1_3");
    EXPECT_EQ(terms->count(), 60);
    w->cmd_ricerca_Click();
    EXPECT_EQ(terms->count(), 60);
    w->cmbSettore_Click(w->findChild<QComboBox *>("cmbSettore")->findText("Reti energetiche e idriche"));
    EXPECT_FALSE(terms->findItems("Elettrodotto", Qt::MatchExactly).isEmpty());
}

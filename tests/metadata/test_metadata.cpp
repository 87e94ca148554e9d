// The metadata sheets, the metadata list, the glossary and the reports, on the sample data.

#include "app/climain.h"
#include "metadata/glossary.h"
#include "metadata/metalist.h"
#include "metadata/report.h"
#include "metadata/sheet.h"
#include "pdftext.h"
#include "shell/store.h"
#include "support/testfolder.h"

#include <QFileInfo>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {

struct Sample {
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    std::unique_ptr<Connection> cn = (ctx->DbFolder = tf.file("Databases/"), ctx->openDatabase("Metadati.mdb"));
};

} // namespace

TEST(SheetRules, EmptyValuesTopicsLevelsSectionsAndYes)
{
    // Empty: null, blanks, a dash alone; yes: "si" in any case. Each value as its two flags.
    QStringList flags;
    for (const QVariant &v :
         {QVariant(), QVariant(""), QVariant("  "), QVariant("-"), QVariant(" - "), QVariant("x"), QVariant("--"),
          QVariant(0), QVariant("si"), QVariant("Si"), QVariant("SI"), QVariant("No"), QVariant("sì ")})
        flags << QString("%1%2").arg(int(isEmptyValue(v))).arg(int(isYes(v)));
    EXPECT_EQ(flags.join(' '), "10 10 10 10 10 00 00 00 01 01 01 00 00");
    QStringList texts {topicText("12-PD", "Strade"), topicText("T01", "Strade")};
    for (const char *level : {"P", "R", "N", "p"})
        texts << levelText(level);
    for (const char *code : {"A", "B2", "C1", "D", "E2", "F", "b1", ""})
        texts << evaluationSection(code);
    texts << cleanNoteText(QString::fromUtf8("a\nb \u201cc\u201d \u2022 d"))
          << sheetPrintCode("Indicatori", "ITR001 - Densità") << sheetTipoOfCode("TR001") << sheetTipoOfCode("IAS013");
    EXPECT_EQ(texts,
              (QStringList {"12 - Strade", "T01 - Strade", "Provinciale", "Regionale", "", "", "Contesto", "Dotazione",
                            "Funzionalità", "Funzionalità", "Domanda", "", "", "", "a b 'c' - d", "ITR001", "Variabili",
                            "Indicatori"}));
}

TEST(Sheets, VariableSheetSkipsEmptyYearsAndCleansTheSeriesNote)
{
    Sample s;
    const auto tr001 = loadVariableSheet(*s.cn, "TR001");
    ASSERT_TRUE(tr001);
    EXPECT_EQ(tr001->settore, "Infrastrutture di trasporto");
    EXPECT_TRUE(tr001->fonti.startsWith("1996: ANAS e Amministrazioni provinciali\n"));
    EXPECT_TRUE(tr001->fonti.contains("2002: ")) << "the year before the dash";
    EXPECT_FALSE(tr001->fonti.contains("2003: ")) << "a source of \"-\" gives no line";
    EXPECT_EQ(tr001->livello, "Provinciale");
    EXPECT_EQ(tr001->anni[7], "N.A.");

    const auto tr003 = loadVariableSheet(*s.cn, "TR003");
    ASSERT_TRUE(tr003);
    EXPECT_EQ(tr003->argomento, "T01 - Trasporti stradali");
    EXPECT_EQ(tr003->anni[8], "p") << "the sheet shows the mark as it stands";

    const auto tr002 = loadVariableSheet(*s.cn, "TR002");
    ASSERT_TRUE(tr002);
    EXPECT_FALSE(tr002->noteSerie.contains('\n')) << "the series note is cleaned";

    EXPECT_FALSE(loadVariableSheet(*s.cn, "ZZ999"));
    EXPECT_FALSE(loadVariableSheet(*s.cn, "TR001' OR '1'='1")) << "the code is quoted";
}

TEST(Sheets, IndicatorSheetSectionsAndCheckBoxes)
{
    Sample s;
    const struct {
        const char *code, *section;
        bool sintesi;
    } cases[] = {{"ICO012", "", false},
                 {"IAS014", "Funzionalità", true},
                 {"IAS013", "Dotazione", true},
                 {"ITR005", "Contesto", false}};
    for (const auto &c : cases) {
        const auto sheet = loadIndicatorSheet(*s.cn, c.code);
        ASSERT_TRUE(sheet) << c.code;
        EXPECT_TRUE(sheet->indicatore.startsWith(QString::fromLatin1(c.code) + " - ")) << c.code;
        EXPECT_EQ(sheet->valutazione, QString::fromUtf8(c.section)) << c.code;
        EXPECT_EQ(sheet->sintesi, c.sintesi) << c.code;
        EXPECT_TRUE(sheet->prov && !sheet->sll) << c.code;
    }
    EXPECT_EQ(loadIndicatorSheet(*s.cn, "IAS014")->anni[12], "N.A.");
    EXPECT_FALSE(loadIndicatorSheet(*s.cn, "TR001"));
}

TEST(MetadataList, CodesWithoutExcludedTopicsAndUpperCaseYears)
{
    Sample s;
    const QStringList vars = loadMetadataCodes(*s.cn, "Variabili");
    EXPECT_TRUE(vars.contains("TR001"));
    EXPECT_FALSE(vars.contains("TR033")) << "topic T03- NO";
    EXPECT_TRUE(std::is_sorted(vars.begin(), vars.end()));
    const QStringList inds = loadMetadataCodes(*s.cn, "Indicatori");
    EXPECT_TRUE(inds.contains("ITR001"));
    EXPECT_FALSE(inds.contains("IEN040")) << "topic E01-NO";

    const auto d = loadMetadataDetails(*s.cn, "Variabili", "TR003");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->argomento, "T01-PD - Trasporti stradali");
    EXPECT_EQ(d->settore, "T - Infrastrutture di trasporto");
    EXPECT_EQ(d->anni[8], "P") << "lower-case mark in upper case";
    const auto late = loadMetadataDetails(*s.cn, "Variabili", "TR022");
    ASSERT_TRUE(late);
    EXPECT_EQ(QStringList({late->anni[0], late->anni[6], late->anni[7]}), QStringList({"", "", "R"}))
        << "a null year stays empty";
    EXPECT_TRUE(loadMetadataDetails(*s.cn, "Indicatori", "ITR001"));
    EXPECT_FALSE(loadMetadataDetails(*s.cn, "Indicatori", "TR001"));

    EXPECT_EQ(loadConfiguredDatabases(*s.cn).size(), 3u);
    EXPECT_EQ((QStringList {browserTipo(0), browserTipo(1), browserTipo(2)}),
              (QStringList {"Variabili", "Indicatori", "Indicatori"}));
}

TEST(Glossary, ModesEnableTheirControls)
{
    const auto flags = [](GlossaryMode m) {
        const GlossaryControls c = glossaryControls(m);
        return QString("%1%2%3%4").arg(c.letters).arg(c.contains).arg(c.starts).arg(c.search);
    };
    EXPECT_EQ(QStringList({flags(GlossaryMode::Contains), flags(GlossaryMode::Letter), flags(GlossaryMode::StartsWith),
                           flags(GlossaryMode::All)}),
              (QStringList {"0101", "1000", "0011", "0000"}));
}

TEST(Glossary, SearchesMatchApostrophesPercentAndUnderscoreAsThemselves)
{
    Sample s;
    auto terms = [&](const QString &statement) { return glossaryTerms(*s.cn, statement); };
    const QStringList t = terms(glossaryLetterQuery("T"));
    EXPECT_TRUE(t.contains("tasso di motorizzazione")) << "lower-case initials are listed too";
    EXPECT_TRUE(t.contains("TEU"));
    EXPECT_FALSE(t.contains("Autostrada"));
    QStringList dictionary = terms(glossaryLetterQuery("A"));
    for (qsizetype i = 1; i < t.size(); ++i)
        EXPECT_LT(t[i - 1].toLower(), t[i].toLower()) << "letter lists in dictionary order, case ignored";
    EXPECT_TRUE(dictionary.indexOf("Acquedotto") < dictionary.indexOf("Aeroporto")
                && dictionary.indexOf("Aeroporto") < dictionary.indexOf("Autostrada"));

    EXPECT_EQ(terms(glossaryContainsQuery("d'i")).size(), 2); // Rete d'interesse and Sito d'interesse
    EXPECT_EQ(terms(glossaryStartsQuery("rete d'")), QStringList {"Rete d'interesse nazionale"});

    EXPECT_EQ(terms(glossaryContainsQuery("%")), QStringList {"Tasso di riempimento (%)"});
    EXPECT_TRUE(terms(glossaryContainsQuery("_")).isEmpty());
    EXPECT_TRUE(terms(glossaryStartsQuery("%")).isEmpty());
    EXPECT_TRUE(terms(glossaryContainsQuery("\\")).isEmpty());

    EXPECT_EQ(terms(glossaryAllQuery()).size(), 60);
    EXPECT_TRUE(terms(glossarySectorQuery("E")).contains("Elettrodotto"));

    const auto def = glossaryDefinition(*s.cn, "Rete d'interesse nazionale");
    ASSERT_TRUE(def);
    EXPECT_TRUE(def->startsWith("Insieme delle infrastrutture"));
    EXPECT_FALSE(glossaryDefinition(*s.cn, "Nessuno"));
}

TEST(Reports, EachReportWrittenToPdfHoldsItsHeadingsAndFields)
{
    Sample s;
    // The report's name and caption, then texts of its PDF, each list joined by "|".
    const struct {
        ReportKind kind;
        const char *key, *names, *texts;
    } cases[] = {
        {ReportKind::Variabili, "TR001", "rptVariabili|Stampa Scheda Variabile",
         "Scheda variabile|TR001 - Estensione delle strade statali e provinciali|Anni disponibili|Periodo di "
         "riferimento dei dati|Note sull'intera serie|Note sui singoli anni|Fonte|Pubblicazione|Ente|2008|N.A."},
        {ReportKind::Indicatori, "ICO012", "rptIndicatori|Stampa Scheda Indicatore",
         "Scheda indicatore|ICO012 - Abitanti per centrale telefonica|Aspetto|Modalità di calcolo|Id varibili "
         "associate|Note tecniche|1998"},
        {ReportKind::Glossario, "Rete d'interesse nazionale", "rptGlossario|Stampa Glossario",
         "Quarnaro|Glossario|DENOMINAZIONE:|Rete d'interesse nazionale|DESCRIZIONE:|Insieme delle infrastrutture"},
    };
    for (const auto &c : cases) {
        const auto read = InitReport(*s.ctx, c.kind, c.key);
        ASSERT_TRUE(read) << c.key;
        const std::optional<Report> &report = read.value();
        ASSERT_TRUE(report) << c.key;
        EXPECT_EQ(report->name + "|" + report->caption, QString::fromUtf8(c.names));
        const QString pdf = s.tf.file(report->name + ".pdf");
        ASSERT_TRUE(writeReportPdf(*report->document, pdf));
        const QString text = qrn::test::pdfText(pdf).simplified();
        for (const QString &t : QString::fromUtf8(c.texts).split('|'))
            EXPECT_TRUE(text.contains(t)) << c.key << ": " << t.toStdString() << "\n" << text.toStdString();
    }
    // A file that cannot be written: Italian only in the message, the system's words in the detail.
    const auto read = InitReport(*s.ctx, ReportKind::Glossario, "Autostrada");
    ASSERT_TRUE(read && read.value());
    const std::optional<Report> &report = read.value();
    const QString missing = s.tf.file("nessuna/cartella/x.pdf");
    const WriteResult refused = writeReportPdf(*report->document, missing);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.message, notWrittenText(missing));
    EXPECT_FALSE(refused.detail.isEmpty());

    // A missing record gives no report; a missing database, the store's failure for the caller.
    for (const auto &[kind, key] : {std::pair(ReportKind::Variabili, "ZZ999"), std::pair(ReportKind::Glossario, "")}) {
        const auto none = InitReport(*s.ctx, kind, key);
        ASSERT_TRUE(none) << key;
        EXPECT_FALSE(none.value()) << key;
    }
    s.cn.reset();
    QFile::remove(s.tf.file("Databases/Metadati.sqlite"));
    const auto failed = InitReport(*s.ctx, ReportKind::Variabili, "TR001");
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.failure().procedure, "InitReport");
    EXPECT_FALSE(QFile::exists(s.tf.file("Files/Error.log")));
}

TEST(Reports, NotesFlowOnAndEmptyYearsAreLeftOut)
{
    ReportWriter w("Scheda variabile");
    w.field("Note", "Comprende le autostrade in concessione\ne quelle gestite dall'ANAS.\nDati al 31 dicembre.");
    w.series("Fonte", {{"1996", ""}, {"1997", "ISTAT"}, {"1998", "-"}, {"1999", "ACI"}});
    w.series("Ente", {{"1996", ""}, {"1997", "-"}});
    const QString text = w.document()->toPlainText();
    EXPECT_TRUE(text.contains("in concessione e quelle gestite dall'ANAS.\nDati al 31 dicembre.")) << text.toStdString();
    EXPECT_TRUE(text.simplified().contains("1997 ISTAT 1999 ACI")) << text.toStdString();
    EXPECT_FALSE(text.contains("1996")) << text.toStdString();
    EXPECT_FALSE(text.contains("1998")) << text.toStdString();
    EXPECT_FALSE(text.contains("Ente")) << text.toStdString();
}

// The command line: statuses, the sheet as text or PDF, the glossary listings.
TEST(CliMetadata, SheetTextPdfAndGlossaryListings)
{
    TestFolder tf;
    const struct {
        QStringList args;
        int status;
        QString out; // a part of the standard output, or the standard error
    } cases[] = {
        {{"scheda", "TR003"}, 0, "Anni disponibili: 1996 P,"},
        {{"scheda", "IAS013"}, 0, "Utilizzabile per la sintesi: sì\n"},
        {{"scheda", "ZZ999"}, 1, "Informazioni per la variabile non disponibili!\n"},
        {{"scheda"}, 2, ""},
        {{"scheda", "ITR001", "--pdf", tf.file("s.pdf")}, 0, ""},
        {{"scheda", "IZZ999", "--pdf", tf.file("t.pdf")}, 1, "Impossibile eseguire la stampa\n"},
        {{"glossario", "--inizia", "Rete d'"}, 0, "Rete d'interesse nazionale\n"},
        {{"glossario", "--lettera", "q", "--definizione", "Quota percentuale"}, 0, "Quota percentuale\nParte di"},
        {{"glossario", "--definizione", "Nessuno"}, 1, ""},
        {{"glossario"}, 2, ""},
        {{"glossario", "--lettera", "AB"}, 2, ""},
        {{"glossario", "--contiene"}, 2, ""},
        {{"glossario", "--tutti", "--inizia", "A"}, 2, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QString out, err;
        EXPECT_EQ(qrn::cli::run(QStringList {"--home", tf.path()} + c.args, QString(), out, err), c.status);
        if (c.status == 0) {
            EXPECT_TRUE(out.contains(c.out)) << out.toStdString();
        } else if (c.status == 1 && !c.out.isEmpty()) {
            EXPECT_EQ(err, c.out);
        }
    }
    EXPECT_TRUE(qrn::test::pdfText(tf.file("s.pdf")).contains("Scheda indicatore"));
    EXPECT_FALSE(QFileInfo::exists(tf.file("t.pdf")));
}

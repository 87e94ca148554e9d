// From a grid column to a map request: the level rules, the level window's offer, the map
// case, the item code, the refusals and the rows to map.

#include "map/mapdata.h"

#include "shell/context.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>

using namespace qrn;
using namespace qrn::map;
using qrn::test::TestFolder;

TEST(MapLevel, ProvincesOfferedAndLevelOfEachChoice)
{
    EXPECT_FALSE(provincesOffered(2, "T") || provincesOffered(4, "T") || provincesOffered(3, "R"));
    EXPECT_TRUE(provincesOffered(3, "T"));
    const std::pair<LevelChoice, qint16> levels[] = {{LevelChoice::Regions, 4},
                                                     {LevelChoice::Nuts2, 2},
                                                     {LevelChoice::Provinces, 1},
                                                     {LevelChoice::Cancel, 0}};
    for (const auto &[choice, code] : levels)
        EXPECT_EQ(levelCodeOf(choice, 3), code) << code;
}

TEST(MapCase, ProvinceLayerByYearAndItemRefusedNames)
{
    const QString cases[][4] = {
        {"AS013_2005", "Variabili", "AS013", "provincia107"},    {"AS001_2005", "Variabili", "AS001", "provincia103"},
        {"AS001_2006", "Variabili", "AS001", "provincia103"},    {"AS013_2006", "Variabili", "AS013", "provincia107"},
        {"IAS013_2005", "Indicatori", "IAS013", "provincia107"}, {"IM004_2007", "Variabili", "IM004", "provincia103"},
        {"IM004_2008", "Variabili", "IM004", "provincia107"}};
    for (const auto &[header, tipo, code, mapCase] : cases) {
        const ColumnCode cc = columnCode(header, tipo);
        EXPECT_EQ(cc.lastCode, code);
        EXPECT_EQ(provincesCase(cc.lastCode, cc.year.toInt()).name, mapCase) << header.toStdString();
    }
    // Only the exact non-numeric names are refused.
    for (const char *name : {"N_TERCO", "COD_SEZ", "COMUNE_MIN", "COMUNI", "PIT4", "comuni", "Pit4"})
        EXPECT_TRUE(refusedColumnName(name)) << name;
    for (const char *name : {"N_TERCO2", "COMUNI_2005", "PIT", "AS013_2005", " COMUNI"})
        EXPECT_FALSE(refusedColumnName(name)) << name;
}

namespace {

// A grid table: two provinces (one of type 6), a region, a NUTS-2 area and Italia.
DataTable sampleTable(const QString &dataHeader = "AS013_2005")
{
    return DataTable({
        {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", dataHeader},
        {"1", "001", "1", "01", "ITC11", "Torino", "30,50"},
        {"2", "010", "", "01", "ITC1", "Piemonte", "120,00"},
        {"6", "111", "111", "20", "ITG2C", "Sud Sardegna", "4,25"},
        {"22", "210", "", "04", "ITH1", "Bolzano", "8,00"},
        {"1", "015", "15", "03", "ITC4C", "Milano", ""},
        {"4", "900", "", "TOTALE", "IT", "Italia", "999,00"},
    });
}

struct Preparation {
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    DataTable table = sampleTable();
    CreateMapInput in {6, "AS013_2005", "Scuole", 0};
    int asked = 0;
    LevelChoice answer = LevelChoice::Cancel;

    Preparation()
    {
        ctx->ShapeFolder = tf.path() + "Shape/";
        ctx->CurrentTipo = "Variabili";
    }
    std::optional<MapRequest> run(qint16 levelCode)
    {
        in.level = levelCode;
        outcome = createMap(*ctx, *ctx, *ctx, table, in, [this](qint16) {
            ++asked;
            return answer;
        });
        return outcome.request;
    }
    CreateMapOutcome outcome;
    QString refusal() const { return outcome.refusal ? outcome.refusal->message : QString(); }
};

QStringList codesOf(const MapRequest &r)
{
    QStringList out;
    for (const MapRow &row : r.rows)
        out << row.code(r.mapCase.kind) + "=" + row.value;
    return out;
}

} // namespace

TEST(CreateMap, ProvincesSortedOnTheColumnWithCodeYearAndTotals)
{
    Preparation p;
    const std::optional<MapRequest> r = p.run(1);
    ASSERT_TRUE(r);
    EXPECT_TRUE(!p.outcome.refusal && p.asked == 0);
    EXPECT_EQ(QStringList({r->mapCase.name, r->lastCode, r->year, r->variableText()}),
              QStringList({"provincia107", "AS013", "2005", "AS013_2005: Scuole"}));
    EXPECT_EQ(codesOf(*r), (QStringList {"15=", "111=4,25", "1=30,50"}));
    // The grid is left sorted, its selected column on the codes, its totals green.
    EXPECT_EQ(p.table.text(1, 5), "Milano");
    EXPECT_EQ(p.table.selEnd.column, 1);
    EXPECT_EQ(p.table.background(6), DataTable::kTotalRow);
}

TEST(CreateMap, MixedLevelsAskAndCancelOpensNothing)
{
    Preparation p;
    const QList<QStringList> unsorted = p.table.rows();
    EXPECT_FALSE(p.run(3));
    EXPECT_TRUE(p.asked == 1 && !p.outcome.refusal);
    EXPECT_EQ(p.table.rows(), unsorted);

    p.answer = LevelChoice::Regions;
    const std::optional<MapRequest> r = p.run(3);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->mapCase.name, "regioni");
    EXPECT_EQ(codesOf(*r), (QStringList {"210=8,00", "010=120,00"}));

    p.answer = LevelChoice::Nuts2;
    EXPECT_EQ(codesOf(*p.run(3)), (QStringList {"111=4,25", "010=120,00"}));
}

TEST(CreateMap, RefusalsComeBackWithTheirMessageAndOpenNothing)
{
    const struct {
        const char *what;
        std::function<void(Preparation &)> setUp;
        qint16 level;
        QString message;
        bool failure; // logged, not only an input to correct
    } cases[] = {
        {"territory column", [](Preparation &p) { p.in.column = 5; }, 1, "Selezionare una variabile.", false},
        {"no shape folder", [](Preparation &p) { p.ctx->ShapeFolder.clear(); }, 1, noShapePathMessage(), false},
        {"empty sort box", [](Preparation &p) { p.in.sortColumnText.clear(); }, 1, "Selezionare una variabile!", false},
        {"refused name", [](Preparation &p) { p.table = sampleTable("Comuni"); }, 1,
         "Selezionare una variabile numerica!", false},
        {"no row of the level",
         [](Preparation &p) {
             p.table = DataTable({p.table.rows()[0], p.table.rows()[2]});
         },
         1, "Non c'è nessuna provincia107 tra i territori selezionati.", true},
        {"empty table", [](Preparation &p) { p.table = DataTable({p.table.rows()[0]}); }, 4,
         "Nessun territorio selezionato è stato trovato.", true},
        {"aggregates only", [](Preparation &) {}, 0, "Nessun territorio selezionato è stato trovato.", true},
        // The regions hold no value: a map of them would colour nothing.
        {"column without values",
         [](Preparation &p) {
             for (int r = 1; r < p.table.rowCount(); ++r)
                 if (p.table.text(r, 0) == "2" || p.table.text(r, 0) == "22")
                     p.table.setText(r, 6, r == 2 ? "" : "n.d.");
         },
         4,
         "La colonna AS013_2005 non ha valori per i territori da rappresentare: la mappa non avrebbe nulla da "
         "colorare.",
         true}};
    for (const auto &c : cases) {
        Preparation p;
        c.setUp(p);
        const QList<QStringList> before = p.table.rows();
        EXPECT_FALSE(p.run(c.level)) << c.what;
        EXPECT_EQ(p.table.rows(), before) << c.what << ": a refused map leaves the grid unsorted";
        EXPECT_EQ(p.refusal(), c.message) << c.what;
        EXPECT_EQ(p.outcome.refusal && p.outcome.refusal->logged, c.failure) << c.what;
        EXPECT_TRUE(p.tf.prompt.shown().empty()) << c.what << ": the core asks nothing itself";
    }
}

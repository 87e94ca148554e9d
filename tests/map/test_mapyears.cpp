// The years of a mapped item: the years the data hold, the request of another year, and the
// classes fixed over all the years against the classes of each year.

#include "map/mapyears.h"

#include "catalogue/querybuilder.h"
#include "catalogue/selection.h"
#include "shell/context.h"
#include "shell/links.h"
#include "support/testfolder.h"
#include "table/gridops.h"

#include <gtest/gtest.h>

using namespace qrn;
using namespace qrn::map;

namespace {

const NumberFormat kComma {QLatin1Char(','), QLatin1Char('.')};

// A request of provinces with these values.
MapRequest yearRequest(const QString &year, const QStringList &values)
{
    MapRequest req;
    req.lastCode = QStringLiteral("AS013");
    req.year = year;
    req.header = QStringLiteral("AS013_") + year;
    req.mapCase = provincesCase(req.lastCode, year.toInt());
    for (qsizetype i = 0; i < values.size(); ++i)
        req.rows << MapRow {"1", QString::number(i), QString::number(i + 1), "01", QStringLiteral("P%1").arg(i),
                            values[i]};
    return req;
}

QList<double> limitsOf(const Legend &legend)
{
    QList<double> out;
    for (const LegendClass &c : legend.classes)
        out << c.low << c.high;
    return out;
}

} // namespace

// Years 1..4 and 5..8 by hand. Equal amplitude in two classes over the eight values: width
// round(7 / 2, 2) = 3,5, so 1–4,5 and 4,51–8; every value of the first year falls in class 1,
// every value of the second in class 2. Quartiles over the eight: 1–2, 3–4, 5–6, 7–8, and a
// second-year value keeps its class by value, not its rank within its own year.
TEST(MapYearsPool, FixedClassesSameLimitsForEveryYearAndClassifyByValue)
{
    const MapRequest a = yearRequest("2004", {"1", "2", "3", "4"}), b = yearRequest("2005", {"5", "6", "7", "8"});
    const QStringList pooled = pooledValues({&a, &b}, kComma);
    const QList<QColor> two {Qt::yellow, Qt::blue}, four {Qt::white, Qt::yellow, Qt::red, Qt::blue};

    ClassRequest amplitude;
    amplitude.classCount = QStringLiteral("2");
    const MethodOutcome fixed = pooledClasses(methodOf(Method::EqualAmplitude), amplitude, pooled, kComma);
    ASSERT_FALSE(fixed.refused()) << fixed.message.toStdString();
    Legend legend = fixedLegend(fixed, two, kComma);
    EXPECT_EQ(limitsOf(legend), QList<double>({1, 4.5, 4.51, 8}));
    EXPECT_EQ(legend.classify(a.values(), kComma), QList<int>({1, 1, 1, 1}));
    EXPECT_EQ(legend.classify(b.values(), kComma), QList<int>({2, 2, 2, 2}));

    // Each year on its own splits its own range: the limits differ between the years.
    ClassRequest ofA = amplitude, ofB = amplitude;
    const MethodOutcome own2004 = pooledClasses(methodOf(Method::EqualAmplitude), ofA, a.values(), kComma);
    const MethodOutcome own2005 = pooledClasses(methodOf(Method::EqualAmplitude), ofB, b.values(), kComma);
    const Legend l2004 = makeMethodLegend(own2004, two, kComma), l2005 = makeMethodLegend(own2005, two, kComma);
    EXPECT_EQ(limitsOf(l2004), QList<double>({1, 2.5, 2.51, 4}));
    EXPECT_EQ(limitsOf(l2005), QList<double>({5, 6.5, 6.51, 8}));

    Legend quartiles = fixedLegend(pooledClasses(methodOf(Method::Quartiles), {}, pooled, kComma), four, kComma);
    EXPECT_EQ(limitsOf(quartiles), QList<double>({1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(quartiles.classify(a.values(), kComma), QList<int>({1, 1, 2, 2}));
    EXPECT_EQ(quartiles.classify(b.values(), kComma), QList<int>({3, 3, 4, 4}));
}

TEST(MapYearsPool, ValuesOfAllYearsAscendingAsNumbersAndTheCaptionSaysWhichClasses)
{
    const MapRequest a = yearRequest("2004", {"9,00", "", "10,50"}),
                     b = yearRequest("2005", {"2,00", "n.d.", "100,00"});
    EXPECT_EQ(pooledValues({&a, &b}, kComma), QStringList({"2,00", "9,00", "10,50", "100,00"}));
    EXPECT_EQ(legendCaption(true, {"1996", "2000", "2008"}, "2000"), QStringLiteral("Classi fisse 1996–2008"));
    EXPECT_EQ(legendCaption(false, {"1996", "2008"}, "2000"), QStringLiteral("Classi dell'anno 2000"));
}

// On the sample data: AS013 of the provinces in 2005, then the other years of the item.
TEST(MapYearsRead, OtherYearsReadThroughTheSelectionAndGlobalsKept)
{
    qrn::test::TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    ctx->DbFolder = tf.path() + QStringLiteral("Databases/");
    ctx->ShapeFolder = tf.path() + QStringLiteral("Shape/");
    refreshLinkedTables(*ctx, *ctx);
    ctx->CurrentDb = QStringLiteral("Variabili.mdb");
    ctx->CurrentTipo = QStringLiteral("Variabili");
    QStringList names;
    for (const TerritoryEntry &t : FillTerritori(*ctx, 1, 0))
        names << t.name;
    const Result<QString> built = CreaQuery(*ctx, ctx->CurrentDb, ctx->CurrentTipo, {QStringLiteral("AS013-2005 - ")},
                                            BuildTerritoryFilter(names));
    ASSERT_TRUE(built);
    DataTable table;
    ASSERT_EQ(grid::DoQuery(*ctx, ctx->CurrentDb, ctx->CurrentTipo, built.value(), table), grid::LoadOutcome::Loaded);
    std::optional<MapRequest> base =
        createMap(*ctx, *ctx, *ctx, table, {6, QStringLiteral("AS013_2005"), QStringLiteral("Scuole"), 1}, {}).request;
    ASSERT_TRUE(base);
    const QString gridQuery = built.value();
    // The grid's territories: 2000 on the 103 provinces, 2006 on the 107.
    base->territoryFilter = territoryFilterOf(gridQuery);
    EXPECT_TRUE(base->territoryFilter.startsWith(QStringLiteral("land_Ind.DES_TERR IN(")));
    EXPECT_EQ(territoryFilterOf(QStringLiteral("SELECT a FROM t")), QString());

    MapYears years(*ctx, *ctx, *base);
    EXPECT_EQ(years.years().join(' '), "1997 1998 1999 2000 2001 2002 2003 2004 2005 2006 2007 2008");

    const MapRequest *y2000 = years.request(QStringLiteral("2000"));
    ASSERT_TRUE(y2000) << years.failure()->message.toStdString();
    EXPECT_EQ(std::tuple(y2000->header, y2000->mapCase.name, y2000->rows.size()),
              std::tuple(QStringLiteral("AS013_2000"), QStringLiteral("provincia103"), 103));
    EXPECT_NE(y2000->values(), base->values());
    const MapRequest *y2006 = years.request(QStringLiteral("2006"));
    ASSERT_TRUE(y2006);
    EXPECT_EQ(y2006->rows.size(), 107);
    // Sorted ascending on the year's column, as the first map's rows are.
    const QStringList pooled2000 = pooledValues({y2000}, ctx->numbers);
    QStringList numeric;
    for (const QString &v : y2000->values())
        if (ctx->numbers.toNumber(v))
            numeric << v;
    EXPECT_EQ(numeric, pooled2000);
    // The same year again is not read again.
    EXPECT_EQ(years.request(QStringLiteral("2000")), y2000);

    EXPECT_FALSE(years.request(QStringLiteral("1990")));
    EXPECT_EQ(years.failure()->message, QStringLiteral("La voce AS013 non ha dati per l'anno 1990."));
    // Twelve years of 103 or 107 provinces together.
    EXPECT_GT(years.pooledValues(ctx->numbers).size(), 12 * 100);

    // A database whose years cannot be listed offers the base year alone, the failure for the caller.
    ctx->CurrentDb = QStringLiteral("Nessuno.mdb");
    const MapYears unlisted(*ctx, *ctx, *base);
    EXPECT_EQ(unlisted.years(), QStringList {base->year});
    ASSERT_TRUE(unlisted.yearsFailure());
    EXPECT_EQ(unlisted.yearsFailure()->procedure, QStringLiteral("anniVoce"));
}

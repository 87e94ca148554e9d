// The selection of territories shared by the grid and the map: its set operations, the changes it
// reports (and those it does not, which keeps two views from echoing each other), and the road
// between table rows and territory codes.

#include "table/territoryselection.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using qrn::DataTable;
using qrn::TerritorySelection;

TEST(TerritorySelection, SetAddRemoveToggleAndClear)
{
    TerritorySelection s;
    QSignalSpy spy(&s, &TerritorySelection::changed);
    s.set({" 001 ", "", "005", "001"});
    EXPECT_EQ(s.sortedCodes(), QStringList({"001", "005"}));
    EXPECT_EQ(s.current(), "001");
    EXPECT_EQ(spy.count(), 1);

    s.add("012");
    EXPECT_EQ(s.current(), "012");
    s.toggle("005"); // off
    s.toggle("007"); // on
    EXPECT_EQ(s.sortedCodes(), QStringList({"001", "007", "012"}));
    EXPECT_EQ(s.current(), "007");
    s.remove("007");
    EXPECT_TRUE(s.current().isEmpty()); // the code to bring into sight is gone with it
    EXPECT_TRUE(s.contains(" 012"));
    s.clear();
    EXPECT_TRUE(s.isEmpty());
    EXPECT_EQ(spy.count(), 6);
}

TEST(TerritorySelection, ReportsOnlyRealChanges)
{
    TerritorySelection s;
    QSignalSpy spy(&s, &TerritorySelection::changed);
    s.clear();
    s.remove("001");
    s.add("  ");
    EXPECT_EQ(spy.count(), 0);
    s.set({"001", "002"});
    s.set({"001", "002", "001"});
    s.add("001"); // already there and already the current one
    EXPECT_EQ(spy.count(), 1);
    s.add("002"); // already there, but it becomes the current one: a view scrolls to it
    EXPECT_EQ(spy.count(), 2);
    // A view that writes back what it was just told changes nothing.
    int echoes = 0;
    QObject::connect(&s, &TerritorySelection::changed, [&] {
        ++echoes;
        s.set({s.current(), "001", "002"});
    });
    s.set({"002", "001"});
    EXPECT_EQ(echoes, 0); // the same set with the same current code
    s.set({"009"});
    EXPECT_EQ(echoes, 2); // once for the change, once for the echo adding 001 and 002 back
    EXPECT_EQ(s.sortedCodes(), QStringList({"001", "002", "009"}));
}

TEST(TerritorySelection, RowsAndCodesOfATable)
{
    const DataTable table({{"T", "COD_TERR", "PROV", "REG", "X", "DES"},
                           {"4", "01", "", "01", "", "Piemonte"},
                           {"2", "001", "1", "01", "", "Torino"},
                           {"2", " 058 ", "58", "12", "", "Roma"},
                           {"0", "", "", "", "", "riga vuota"},
                           {"2", "001", "1", "01", "", "Torino (ripetuta)"}});
    EXPECT_EQ(qrn::territoryCodesOfRows(table, {3, 0, 2, 4, 5, 9, 1}), QStringList({"058", "001", "01"}));
    EXPECT_EQ(qrn::rowsOfTerritories(table, {"001", "058", "999"}), QList<int>({2, 3, 5}));
    EXPECT_TRUE(qrn::rowsOfTerritories(table, {}).isEmpty());
}

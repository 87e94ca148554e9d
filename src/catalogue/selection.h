#pragma once
// The selection window's logic without its controls: the list of chosen rows, the territory
// list and its groups, and the filter handed to the query builder.

#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace qrn {

struct Services;

// The chosen (item, year) rows: "code-year - description", at most 251.
class ChosenRows {
public:
    static constexpr int kLastAllowedCounter = 250; // a row is added while the counter is at most this

    enum class AddResult { Added, AlreadyThere, LimitReached };
    // Adds key ("AS013-2005") + " - " + description unless the same row is there.
    AddResult add(const QString &yearKey, const QString &description);
    void removeAt(int index);
    void clear();
    const QStringList &rows() const { return m_rows; }
    int counter() const { return m_counter; }
    // The code of a row: the text before its first "-", trimmed.
    static QString codeOf(const QString &row);
    static QString limitMessage(const QString &tipo)
    {
        return QStringLiteral("Raggiunto il limite massimo di ") + tipo + QStringLiteral(" selezionabili.");
    }

private:
    QStringList m_rows;
    int m_counter = 0;
};

struct TerritoryEntry {
    QString name; // DES_TERR
    QString type; // COD_TIPO_TERR as text
    QString code; // COD_TERR
};

// The WHERE part of the territory list for a set (0 regions, 1 provinces, 3 NUTS-2, other: all)
// and an excluded type (0: none), as text used exactly as built.
QString territoryCondition(int set, int excludedType);
// Runs the territory list query on territorio.mdb; throws DbError.
std::vector<TerritoryEntry> FillTerritori(Services &services, int set, int excludedType);

// "land_Ind.DES_TERR IN( 'a', 'b')" for the selected names in list order, apostrophes doubled;
// "" when nothing is selected.
QString BuildTerritoryFilter(const QStringList &selectedNames);

// The territory groups of the check boxes 1 to 6.
struct TerritoryGroup {
    int index;
    QString caption;
    QList<int> types; // in the order they are matched
    QList<int> typesAtR; // at level "R"
    qint16 levelCode;
};
const std::vector<TerritoryGroup> &territoryGroups();
const TerritoryGroup &territoryGroup(int index); // 1..6
// The rows of entries whose type is one of the group's types (at the level given).
std::vector<int> groupRows(const std::vector<TerritoryEntry> &entries, int groupIndex, const QString &level);

// The territorial level of a selection (LevelCode): 1 provinces, 2 NUTS-2 areas and regions, 3
// several levels (the map asks which), 4 regions, 0 aggregates only. With no group box ticked it
// is listLevel, the level of the territory list shown; one box gives its group's level; some
// combinations of boxes give 2 or 3, the last matching rule winning (provinces and regions: 3).
// The one place these rules live: the selection window, the map and the command line use it.
qint16 levelOfGroups(const QSet<int> &ticked, qint16 listLevel);

} // namespace qrn

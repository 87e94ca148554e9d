// The selection's rules as values. ChosenRows refuses a row already there and counts toward its
// limit only the rows it holds, so removing a row frees its place. The territory names handed to
// the query builder are quoted with sqlEscape, never pasted raw. The territory groups (the boxes
// Check1_1 .. Check1_6) are one fixed table read by both the window and the level rules; a group
// index outside 1..6 is a programming error and throws.

#include "catalogue/selection.h"

#include "shell/context.h"
#include "shell/sqltext.h"

#include <initializer_list>
#include <stdexcept>

namespace qrn {

ChosenRows::AddResult ChosenRows::add(const QString &yearKey, const QString &description)
{
    const QString row = yearKey + QStringLiteral(" - ") + description;
    if (m_rows.contains(row))
        return AddResult::AlreadyThere;
    if (m_counter > kLastAllowedCounter)
        return AddResult::LimitReached;
    m_rows << row;
    ++m_counter;
    return AddResult::Added;
}

void ChosenRows::removeAt(int index)
{
    if (index < 0 || index >= m_rows.size())
        return;
    m_rows.removeAt(index);
    --m_counter;
}

void ChosenRows::clear()
{
    m_rows.clear();
    m_counter = 0;
}

QString ChosenRows::codeOf(const QString &row)
{
    const int dash = row.indexOf(QLatin1Char('-'));
    return (dash < 0 ? row : row.left(dash)).trimmed();
}

QString territoryCondition(int set, int excludedType)
{
    QString cond;
    switch (set) {
    case 0:
        cond = QStringLiteral(" where COD_TIPO_TERR=2 or COD_TIPO_TERR=22");
        break;
    case 1:
        cond = QStringLiteral(" where COD_TIPO_TERR=1 or COD_TIPO_TERR=6");
        break;
    case 3:
        cond = QStringLiteral(" where COD_TIPO_TERR=2 or COD_TIPO_TERR=6");
        break;
    default:
        break;
    }
    if (excludedType > 0)
        cond += (cond.isEmpty() ? QStringLiteral(" where") : QStringLiteral(" and"))
            + QStringLiteral(" COD_TIPO_TERR <> ") + QString::number(excludedType);
    return cond;
}

std::vector<TerritoryEntry> FillTerritori(Services &services, int set, int excludedType)
{
    auto cn = services.GetDbConnection(QStringLiteral("territorio.mdb"));
    Recordset rs = cn->query(QStringLiteral("SELECT DES_TERR,COD_TIPO_TERR, COD_TERR From land_Ind")
                             + territoryCondition(set, excludedType));
    std::vector<TerritoryEntry> out;
    out.reserve(size_t(rs.recordCount()));
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        out.push_back({rs.text(0), rs.text(1), rs.text(2)});
    return out;
}

QString BuildTerritoryFilter(const QStringList &selectedNames)
{
    if (selectedNames.isEmpty())
        return QString();
    QString list;
    for (const QString &n : selectedNames)
        list += QLatin1Char('\'') + sqlEscape(n) + QStringLiteral("', ");
    list.chop(2);
    return QStringLiteral("land_Ind.DES_TERR IN( ") + list + QStringLiteral(")");
}

const std::vector<TerritoryGroup> &territoryGroups()
{
    static const std::vector<TerritoryGroup> groups = {
        {1, QStringLiteral("Tutte le province - nuts3"), {1, 6}, {1, 6}, 1},
        {2, QStringLiteral("Tutte le nuts2"), {2, 6}, {2, 6}, 2},
        {3, QStringLiteral("Ripartizioni / Italia"), {4}, {4}, 0},
        {4, QStringLiteral("Aree Fondi strutturali"), {5}, {5}, 0},
        {5, QStringLiteral("Seleziona Tutto"), {1, 6, 2, 22, 4, 5}, {6, 2, 22, 4, 5}, 3},
        {6, QStringLiteral("Tutte le regioni"), {2, 22}, {2, 22}, 4},
    };
    return groups;
}

namespace {

struct GroupRule {
    std::initializer_list<int> boxes;
    qint16 level;
};

// Applied in order; every rule whose boxes are all ticked sets the level, so the last one wins.
const GroupRule kGroupRules[] = {
    {{5}, 3},          {{6, 4}, 2},          {{2, 6}, 2},    {{6, 3}, 2},    {{2, 4}, 2},       {{2, 3}, 2},
    {{1, 2}, 3},       {{1, 6}, 3},          {{1, 4}, 3},    {{1, 3}, 3},    {{1, 2, 6, 4}, 3}, {{1, 2, 3, 4}, 3},
    {{1, 6, 3, 4}, 3}, {{1, 3, 4}, 3},       {{1, 2, 6}, 3}, {{1, 2, 3}, 3}, {{1, 2, 4}, 3},    {{1, 6, 3}, 3},
    {{1, 6, 4}, 3},    {{6, 3, 4}, 2},       {{2, 3, 4}, 2}, {{2, 6, 3}, 2}, {{2, 6, 4}, 2},    {{2, 6, 3, 4}, 2},
    {{1, 2, 6, 3}, 3}, {{1, 2, 6, 3, 4}, 3},
};

} // namespace

qint16 levelOfGroups(const QSet<int> &ticked, qint16 listLevel)
{
    // Without a rule, the ticked boxes share one level (only boxes 3 and 4 meet without a rule,
    // both of level 0): the first one's.
    qint16 level = listLevel;
    for (int i = 1; i <= 6; ++i)
        if (ticked.contains(i)) {
            level = territoryGroup(i).levelCode;
            break;
        }
    for (const GroupRule &r : kGroupRules) {
        bool all = true;
        for (int box : r.boxes)
            all = all && ticked.contains(box);
        if (all)
            level = r.level;
    }
    return level;
}

const TerritoryGroup &territoryGroup(int index)
{
    if (index < 1 || index > 6)
        throw std::out_of_range("territory group");
    return territoryGroups()[size_t(index - 1)];
}

std::vector<int> groupRows(const std::vector<TerritoryEntry> &entries, int groupIndex, const QString &level)
{
    const TerritoryGroup &g = territoryGroup(groupIndex);
    const QList<int> &types = level == QLatin1String("R") ? g.typesAtR : g.types;
    std::vector<int> rows;
    for (int t : types) {
        const QString pTerr = QString::number(t);
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].type == pTerr)
                rows.push_back(int(i));
    }
    return rows;
}

} // namespace qrn

#include "catalogue/catalogue.h"

#include "shell/context.h"
#include "shell/itemkind.h"
#include "shell/sqltext.h"

namespace qrn {

void MemoryTree::addNode(const QString &parentKey, const QString &key, const QString &text, const QString &image,
                         const QString &expandedImage)
{
    if (find(key))
        throw DbError(DbError::Kind::Generic, QStringLiteral("La chiave non è univoca nell'insieme (%1).").arg(key),
                      35602);
    if (!parentKey.isEmpty() && !find(parentKey))
        throw DbError(DbError::Kind::Generic, QStringLiteral("Elemento non trovato (%1).").arg(parentKey), 35601);
    m_nodes.push_back({parentKey, key, text, image, expandedImage, false});
}

const MemoryTree::Node *MemoryTree::find(const QString &key) const
{
    for (const Node &n : m_nodes)
        if (n.key == key)
            return &n;
    return nullptr;
}

MemoryTree::Node *MemoryTree::find(const QString &key)
{
    for (Node &n : m_nodes)
        if (n.key == key)
            return &n;
    return nullptr;
}

QStringList MemoryTree::childKeys(const QString &key) const
{
    QStringList out;
    for (const Node &n : m_nodes)
        if (n.parentKey == key)
            out << n.key;
    return out;
}

QString typeLetter(const QString &tipo)
{
    return itemKind(tipo) == ItemKind::Indicators ? QStringLiteral("I") : QStringLiteral("V");
}

QString fillsonsQuery(const QString &tipo, const QString &level, bool filtered)
{
    const MetadataNames names = metadataNames(itemKind(tipo));
    const QString meta = names.table;
    const QString id = meta + QLatin1Char('.') + names.key;
    const QString desc = meta + QLatin1Char('.') + names.description;
    QString q = QStringLiteral("SELECT Settore.idSettore, Settore.[Descrizione Settore], Argomento.[Codice argomento], "
                               "Argomento.[Desc argomento], ")
        + id + QStringLiteral(", ") + desc + QStringLiteral(", IndVarAnno.TipoVar ")
        + QStringLiteral("FROM ((Settore INNER JOIN Argomento ON Settore.idSettore = Argomento.idSettore) INNER JOIN "
                         "IndVarAnno ON (Settore.idSettore = IndVarAnno.Settore) AND (Argomento.[Codice argomento] = "
                         "IndVarAnno.Argomento)) INNER JOIN ")
        + meta + QStringLiteral(" ON IndVarAnno.Variabile = ") + id + QStringLiteral(" ");
    if (filtered)
        q += QStringLiteral("Where (((IndVarAnno.TipoVar) = '") + typeLetter(tipo)
            + QStringLiteral("') and (IndVarAnno.LivTerritoriale) = '") + sqlEscape(level) + QStringLiteral("') ");
    q += QStringLiteral("GROUP BY Settore.idSettore, Settore.[Descrizione Settore], Argomento.[Codice argomento], "
                        "Argomento.[Desc argomento], ")
        + id + QStringLiteral(", ") + desc + QStringLiteral(", IndVarAnno.TipoVar ")
        + QStringLiteral("ORDER BY Settore.idSettore, Argomento.[Codice argomento], ") + id + QStringLiteral(";");
    return q;
}

std::optional<Failure> fillsons(const QString &tipo, const QString &level, Connection &cn, TreeSink &tree,
                                bool filtered)
{
    try {
        Recordset rs = cn.query(fillsonsQuery(tipo, level, filtered));
        QString lastArea, lastTopic;
        bool first = true;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            const QString area = rs.text(0);
            const QString topic = rs.text(2);
            if (first || area != lastArea) {
                tree.addNode(QString(), area, rs.text(1), QStringLiteral("close"), QStringLiteral("open"));
                lastArea = area;
                lastTopic.clear();
            }
            if (first || topic != lastTopic) {
                tree.addNode(area, topic, rs.text(3).toUpper(), QStringLiteral("close"), QStringLiteral("open"));
                lastTopic = topic;
            }
            first = false;
            tree.addNode(topic, rs.text(4), rs.text(5), QStringLiteral("close"), QStringLiteral("open"));
        }
    } catch (const DbError &e) {
        return Failure::toLog(QStringLiteral("fillsons"), QString::number(e.number()), e.description());
    }
    return std::nullopt;
}

bool collapsesOnClick(int clickedLength, int otherLength)
{
    switch (clickedLength) {
    case 1:
        return true;
    case 3:
        return otherLength >= 2;
    case 5:
    case 6:
        return otherLength >= 4;
    default:
        return false;
    }
}

QString yearsQuery(const QString &tipo, const QString &code, const QString &level)
{
    const MetadataNames names = metadataNames(itemKind(tipo));
    return QStringLiteral("SELECT IndVarAnno.Anno, ") + names.table + QStringLiteral(".* FROM IndVarAnno INNER JOIN ")
        + names.table + QStringLiteral(" ON IndVarAnno.Variabile = ") + names.table + QLatin1Char('.') + names.key
        + QStringLiteral(" WHERE IndVarAnno.Variabile = '") + sqlEscape(code)
        + QStringLiteral("' and IndVarAnno.LivTerritoriale = '") + sqlEscape(level)
        + QStringLiteral("' order by IndVarAnno.Anno;");
}

QString yearNoteQuery(const QString &tipo, const QString &year, const QString &code)
{
    const MetadataNames names = metadataNames(itemKind(tipo));
    return QStringLiteral("SELECT Note_") + year + QStringLiteral(" FROM ") + names.table + QStringLiteral(" WHERE ")
        + names.key + QStringLiteral(" = '") + sqlEscape(code) + QStringLiteral("' ");
}

std::vector<YearNode> loadYears(Connection &cn, const QString &tipo, const QString &code, const QString &level)
{
    std::vector<YearNode> out;
    Recordset rs = cn.query(yearsQuery(tipo, code, level));
    const bool variables = itemKind(tipo) == ItemKind::Variables;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        YearNode y;
        y.year = rs.text(0);
        y.key = code + QStringLiteral("-") + y.year;
        if (variables) {
            const int col = rs.fieldIndex(QStringLiteral("Note_") + y.year);
            y.hasNote = col >= 0 && !rs.text(col).isEmpty();
        }
        out.push_back(y);
    }
    return out;
}

} // namespace qrn

#include "map/mapreport.h"

#include "map/thematicmap.h"
#include "shell/numberformat.h"

#include <QSet>

namespace qrn::map {

namespace {

// The procedure a refused join is logged under: the colouring of the join layer.
const QString kJoinProcedure = QStringLiteral("BuildValueRenderer");

// At most count items of a list, with "…" when there are more.
QString firstOf(const QStringList &items, int count)
{
    QString text = items.mid(0, count).join(QStringLiteral(", "));
    if (items.size() > count)
        text += QStringLiteral(", …");
    return text;
}

bool hasValue(const MapRow &row, const NumberFormat &numbers)
{
    return numbers.toNumber(row.value).has_value();
}

} // namespace

JoinCheck checkJoin(const ShapeCase &sc, const MapRequest &req, const NumberFormat &numbers)
{
    JoinCheck out;
    out.coverage.rows = int(req.rows.size());
    const ShapeLayer *layer = joinLayer(sc);
    if (!layer) {
        out.failure = MapFailure {
            kJoinProcedure,
            QStringLiteral("La mappa %1 non ha un layer che unisca i territori ai dati: nessun territorio può essere "
                           "colorato.")
                .arg(req.mapCase.name),
            QStringLiteral("voce %1 di ShapeConfig.xml non valida").arg(sc.matchIndex)};
        return out;
    }
    const LayerConfig &entry = sc.layers[size_t(sc.matchIndex)];
    const int field = layer->fieldIndex(entry.FieldId);
    if (field < 0) {
        out.failure = MapFailure {
            kJoinProcedure,
            QStringLiteral(
                "Il layer %1 non ha il campo %2 che unisce i territori ai dati: nessun territorio può essere "
                "colorato.")
                .arg(entry.FileName, entry.FieldId),
            QStringLiteral("campi del layer: %1").arg(firstOf(layer->fieldNames(), 20))};
        return out;
    }
    const MapKind kind = req.mapCase.kind;
    QSet<QString> keys;
    for (int f = 0; f < layer->featureCount(); ++f)
        keys.insert(joinKey(layer->value(f, field), kind));
    int valuesOnMap = 0;
    for (const MapRow &row : req.rows) {
        if (!keys.contains(joinKey(row.code(kind), kind)))
            continue;
        ++out.coverage.onMap;
        if (hasValue(row, numbers))
            ++valuesOnMap;
    }
    if (valuesOnMap == 0) {
        QStringList codes;
        for (const MapRow &row : req.rows)
            codes << row.code(kind);
        out.failure = MapFailure {
            kJoinProcedure,
            QStringLiteral("Nessuno dei %1 territori della tabella con un valore si trova sul layer %2: nessun "
                           "territorio può essere colorato.")
                .arg(req.rows.size())
                .arg(entry.FileName),
            QStringLiteral("campo %1; codici della tabella: %2; codici del layer: %3")
                .arg(entry.FieldId, firstOf(codes, 10), firstOf(QStringList(keys.begin(), keys.end()), 10))};
    }
    return out;
}

QString coverageText(const JoinCoverage &coverage)
{
    if (coverage.complete())
        return QString();
    return QStringLiteral("%1 di %2 territori sulla mappa").arg(coverage.onMap).arg(coverage.rows);
}

MapCounts mapCounts(const MapRequest &req, const ThematicClasses &classes, const NumberFormat &numbers)
{
    MapCounts c;
    c.rows = int(req.rows.size());
    c.classes = int(classes.legend.classes.size());
    c.perClass = QList<int>(c.classes, 0);
    for (const MapRow &row : req.rows) {
        const int k = classes.classByCode.value(row.code(req.mapCase.kind));
        if (k > 0) {
            ++c.classified;
            if (k <= c.classes)
                ++c.perClass[k - 1];
        } else if (hasValue(row, numbers)) {
            ++c.unclassified;
        } else {
            ++c.noData;
        }
    }
    return c;
}

QString countsText(const MapCounts &c)
{
    const QString classes = c.classes == 1 ? QStringLiteral("1 classe") : QStringLiteral("%1 classi").arg(c.classes);
    if (c.withoutClass() == 0)
        return QStringLiteral("%1 territori in %2").arg(c.rows).arg(classes);
    QString text = QStringLiteral("%1 territori: %2 in %3").arg(c.rows).arg(c.classified).arg(classes);
    if (c.noData > 0)
        text += QStringLiteral(", %1 senza dato").arg(c.noData);
    if (c.unclassified > 0)
        text += QStringLiteral(", %1 fuori dalle classi").arg(c.unclassified);
    return text;
}

} // namespace qrn::map

#include "map/maptable.h"

#include "shell/context.h"
#include "shell/store.h"

namespace qrn::map {

namespace {

QString quotedName(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

} // namespace

QList<MapRecord> mapRecords(const MapRequest &req, const QList<int> &classOf)
{
    QList<MapRecord> out;
    for (int i = 0; i < req.rows.size(); ++i) {
        const MapRow &row = req.rows[i];
        if (row.value.isEmpty())
            continue;
        out.append({row.code(req.mapCase.kind), row.value, classOf.value(i)});
    }
    return out;
}

void SaveMapQuery(Connection &cn, MapKind kind, const QString &valueField)
{
    dropMapQuery(cn);
    QString fields;
    if (kind == MapKind::Provinces)
        fields = QStringLiteral("N_TERCO DOUBLE, ");
    else if (kind == MapKind::Nuts2 || kind == MapKind::Regions)
        fields = QStringLiteral("N_TERCO TEXT, ");
    fields += quotedName(valueField) + QStringLiteral(" DOUBLE, N4 SMALLINT");
    cn.execute(QStringLiteral("CREATE TABLE %1 (%2)").arg(QString(kMapTable), fields));
}

void dropMapQuery(Connection &cn)
{
    cn.execute(QStringLiteral("DROP TABLE IF EXISTS %1").arg(QString(kMapTable)));
}

void writeMapRecords(Connection &cn, MapKind kind, const QString &valueField, const QList<MapRecord> &records,
                     const NumberFormat &numbers)
{
    const bool withCode = kind != MapKind::None;
    const QString sql = withCode ? QStringLiteral("INSERT INTO %1 (N_TERCO, %2, N4) VALUES (?, ?, ?)")
                                 : QStringLiteral("INSERT INTO %1 (%2, N4) VALUES (?, ?)");
    const QString statement = sql.arg(QString(kMapTable), quotedName(valueField));
    for (const MapRecord &r : records) {
        QVariantList params;
        if (withCode) {
            if (kind == MapKind::Provinces) {
                const std::optional<double> code = numbers.toNumber(r.code);
                params << (code ? QVariant(*code) : QVariant());
            } else {
                params << r.code;
            }
        }
        const std::optional<double> v = numbers.toNumber(r.value);
        params << (v ? QVariant(*v) : QVariant());
        params << (r.classNumber > 0 ? QVariant(r.classNumber) : QVariant());
        cn.execute(statement, params);
    }
}

Status saveMapTable(Services &services, const MapRequest &req, const QList<MapRecord> &records)
{
    QString procedure = QStringLiteral("SaveMapQuery");
    try {
        auto cn = services.openUserDatabase();
        // One transaction: the table is never seen half written. tMappa is scratch, made again
        // for every drawing, so the disk is not waited for.
        cn->execute(QStringLiteral("PRAGMA synchronous = OFF"));
        cn->beginTransaction();
        SaveMapQuery(*cn, req.mapCase.kind, req.header);
        procedure = QStringLiteral("FillMapQuery");
        writeMapRecords(*cn, req.mapCase.kind, req.header, records, services.numbers);
        cn->commit();
        return Done{};
    } catch (const DbError &e) {
        return Failure::toLog(procedure, QString::number(e.number()), e.description());
    }
}

Status dropMapTable(Services &services)
{
    try {
        auto cn = services.openUserDatabase();
        dropMapQuery(*cn);
        return Done{};
    } catch (const DbError &e) {
        return Failure::toLog(QStringLiteral("SaveMapQuery"), QString::number(e.number()), e.description());
    }
}

QColor ThematicClasses::colourOf(const QString &code) const
{
    return legend.colourOf(classByCode.value(code));
}

ThematicClasses thematicClasses(const MapRequest &req, const Legend &legend, const QList<int> &classOf)
{
    ThematicClasses out;
    out.legend = legend;
    for (int i = 0; i < req.rows.size(); ++i)
        if (classOf.value(i) > 0)
            out.classByCode.insert(req.rows[i].code(req.mapCase.kind), classOf[i]);
    return out;
}

} // namespace qrn::map

#include "map/identify.h"

#include "map/classify.h"
#include "map/maptable.h"
#include "map/thematicmap.h"
#include "shell/context.h"
#include "shell/store.h"

#include <QVariant>

namespace qrn::map {

namespace {

// The territory queries by GeoName. The code is bound as a parameter: a province number as a
// number, the other codes as text.
QString territorySql(const QString &geoName)
{
    const QString g = geoName.toLower();
    if (g == QLatin1String("regioni"))
        return QStringLiteral(
            "SELECT land_Ind.DES_TERR FROM land_Ind INNER JOIN land ON land_Ind.cod_terr = land.cod_terr "
            "WHERE (land_Ind.cod_tipo_terr = 2 OR land_Ind.cod_tipo_terr = 22) AND land_Ind.cod_terr = ?");
    if (provinceGeoName(g))
        return QStringLiteral("SELECT land.Provincia, land.REGIONE FROM land_Ind INNER JOIN land ON land_Ind.PROV = "
                              "land.N_PROV WHERE (land_Ind.cod_tipo_terr = 1 OR land_Ind.cod_tipo_terr = 6) AND "
                              "land_Ind.prov = ?");
    if (g == QLatin1String("nuts2"))
        return QStringLiteral("SELECT land.NUTS2 FROM land_Ind INNER JOIN land ON land_Ind.cod_terr = land.cod_terr "
                              "WHERE land_Ind.cod_terr = ?");
    return QString();
}

QString valueText(const QVariant &v, const NumberFormat &fmt)
{
    if (v.isNull())
        return QString();
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return numberText(v.toDouble(), fmt);
    default:
        return v.toString();
    }
}

void appendFirstRow(QList<IdentifyField> &out, const Recordset &rs, const NumberFormat &fmt)
{
    if (rs.recordCount() == 0)
        return;
    const std::vector<QVariant> &row = rs.row(0);
    for (int f = 0; f < rs.fieldCount(); ++f)
        out.append({rs.fieldName(f), valueText(row[size_t(f)], fmt)});
}

} // namespace

bool provinceGeoName(const QString &geoName)
{
    const QString g = geoName.toLower();
    return g == QLatin1String("province107") || g == QLatin1String("province103");
}

Identification identifyTerritory(Services &services, const QString &geoName, const QString &code)
{
    // Shape files write province numbers as "12", "012" or "12.0": they are looked up as numbers.
    const bool province = provinceGeoName(geoName);
    const QString text = province ? joinKey(code, MapKind::Provinces) : code.trimmed();
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    Identification found;
    QList<IdentifyField> &out = found.fields;
    if (text.isEmpty() || (province && !isNumber))
        return found;
    const QVariant key = province ? QVariant(number) : QVariant(text);
    // The value field of the map table when it holds no row for the territory.
    QString missingValueField;
    try {
        auto user = services.openUserDatabase(Connection::Access::ReadOnly);
        const Recordset rs =
            user->queryNative(QStringLiteral("SELECT * FROM %1 WHERE N_TERCO = ?").arg(QString(kMapTable)), {key});
        appendFirstRow(out, rs, services.numbers);
        if (rs.recordCount() == 0 && rs.fieldCount() > 1)
            missingValueField = rs.fieldName(1);
    } catch (const DbError &) {
        // No map table (nothing drawn, or it was dropped): the territory is still described.
    }
    const QString sql = territorySql(geoName);
    if (sql.isEmpty())
        return found;
    try {
        auto territory = services.openDatabase(QStringLiteral("territorio.mdb"), QString(), Connection::Access::ReadOnly);
        const Recordset rs = territory->queryNative(sql, {key});
        // A territory of the map without a value says so, in the row its value would take.
        if (rs.recordCount() > 0 && !missingValueField.isEmpty())
            out.append({missingValueField, QString(kNoDataText)});
        appendFirstRow(out, rs, services.numbers);
    } catch (const DbError &e) {
        found.failure = Failure::toLog(QStringLiteral("DoIdentify"), QString::number(e.number()), e.description());
    }
    return found;
}

} // namespace qrn::map

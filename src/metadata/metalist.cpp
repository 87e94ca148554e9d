#include "metadata/metalist.h"

#include "shell/sqltext.h"
#include "shell/store.h"

namespace qrn {

namespace {
bool isVariables(const QString &tipo)
{
    return tipo == QLatin1String("Variabili");
}
} // namespace

QString configuredDatabasesQuery()
{
    return QStringLiteral("Select dbdesc ,dbnames from dbconfigs");
}

std::vector<std::pair<QString, QString>> loadConfiguredDatabases(Connection &cn)
{
    std::vector<std::pair<QString, QString>> out;
    Recordset rs = cn.query(configuredDatabasesQuery());
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        out.emplace_back(rs.text(0), rs.text(1));
    return out;
}

QString browserTipo(int databaseIndex)
{
    return databaseIndex == 0 ? QStringLiteral("Variabili") : QStringLiteral("Indicatori");
}

QString metadataCodesQuery(const QString &tipo)
{
    if (isVariables(tipo))
        return QStringLiteral("SELECT IdVariabile FROM MetadatiVariabili WHERE InStr([CodiceArgomento],'- NO')=0 AND "
                              "InStr([CodiceArgomento],'-NO')=0 order by IdVariabile;");
    return QStringLiteral("SELECT IdIndicatore FROM MetadatiIndicatori WHERE InStr([Argomento],'- NO')=0 AND "
                          "InStr([Argomento],'-NO')=0 order by IdIndicatore;");
}

QStringList loadMetadataCodes(Connection &cn, const QString &tipo)
{
    QStringList out;
    Recordset rs = cn.query(metadataCodesQuery(tipo));
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        out << rs.text(0);
    return out;
}

QString metadataDetailsQuery(const QString &tipo, const QString &code)
{
    const QString years = QStringLiteral("[1996] , [1997], [1998], [1999], [2000], [2001], [2002], [2003], [2004], "
                                         "[2005], [2006], [2007], [2008] ");
    if (isVariables(tipo))
        return QStringLiteral("SELECT MetadatiVariabili.DescVariabile, Argomento.[Codice argomento], [Desc argomento], "
                              "Settore.idSettore, [Descrizione Settore], ")
            + years
            + QStringLiteral("FROM (Argomento INNER JOIN MetadatiVariabili ON Argomento.[Codice argomento] = "
                             "MetadatiVariabili.CodiceArgomento) INNER JOIN Settore ON Argomento.idSettore = "
                             "Settore.idSettore WHERE IdVariabile ='")
            + sqlEscape(code) + QStringLiteral("';");
    return QStringLiteral("SELECT MetadatiIndicatori.DescIndicatore, Argomento.[Codice argomento], [Desc argomento], "
                          "Settore.idSettore, [Descrizione Settore], ")
        + years
        + QStringLiteral("FROM (Argomento INNER JOIN Settore ON Argomento.idSettore = Settore.idSettore) INNER JOIN "
                         "MetadatiIndicatori ON Argomento.[Codice argomento] = MetadatiIndicatori.Argomento "
                         "WHERE IdIndicatore ='")
        + sqlEscape(code) + QStringLiteral("';");
}

std::optional<MetadataDetails> loadMetadataDetails(Connection &cn, const QString &tipo, const QString &code)
{
    Recordset rs = cn.query(metadataDetailsQuery(tipo, code));
    if (rs.eof())
        return std::nullopt;
    MetadataDetails d;
    d.descrizione = rs.text(0);
    d.argomento = rs.text(1) + QStringLiteral(" - ") + rs.text(2);
    d.settore = rs.text(3) + QStringLiteral(" - ") + rs.text(4);
    d.anni = yearMarks(rs, true);
    return d;
}

} // namespace qrn

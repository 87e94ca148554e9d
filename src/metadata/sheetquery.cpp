#include "metadata/sheetquery.h"

#include "shell/itemkind.h"
#include "shell/sqltext.h"

namespace qrn {

QString metadataSheetQuery(const QString &tipo, const QString &code)
{
    if (itemKind(tipo) == ItemKind::Variables)
        return QStringLiteral(
                   "SELECT MetadatiVariabili.*, Argomento.[Desc argomento], Settore.[Descrizione Settore] "
                   "FROM (Argomento INNER JOIN Settore ON Argomento.idSettore = Settore.idSettore) INNER JOIN "
                   "MetadatiVariabili ON Argomento.[Codice argomento] = MetadatiVariabili.CodiceArgomento Where  "
                   "IdVariabile  ='")
            + sqlEscape(code) + QStringLiteral("';");
    return QStringLiteral("SELECT MetadatiIndicatori.*, Argomento.[Desc argomento], Settore.[Descrizione Settore] "
                          "FROM (Argomento INNER JOIN Settore ON Argomento.idSettore = Settore.idSettore) INNER JOIN "
                          "MetadatiIndicatori ON Argomento.[Codice argomento] = MetadatiIndicatori.Argomento Where "
                          "IdIndicatore ='")
        + sqlEscape(code) + QStringLiteral("';");
}

QString metadataSheetWindow(const QString &tipo)
{
    return itemKind(tipo) == ItemKind::Variables ? QStringLiteral("FRMSCHEDAVARIABILI")
                                                 : QStringLiteral("FRMSCHEDAINDICATORI");
}

} // namespace qrn

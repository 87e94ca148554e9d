// The metadata sheets as plain values. A sheet is read from one record of the catalogue entry;
// no record gives no sheet, and a null field reads as "" so a sheet never shows a null. The
// texts are shown as stored but for the notes of a series, whose hard line breaks, typographic
// quotes and bullets from the old code page become plain characters. Nothing here writes.

#include "metadata/sheet.h"

#include "metadata/sheetquery.h"
#include "shell/store.h"

namespace qrn {

bool isEmptyValue(const QVariant &v)
{
    if (v.isNull())
        return true;
    const QString t = v.toString().trimmed();
    return t.isEmpty() || t == QLatin1String("-");
}

QString valueText(const QVariant &v)
{
    return v.isNull() ? QString() : v.toString();
}

QString yearSeries(const Recordset &rs, const QString &prefix)
{
    QString out;
    for (int i = 0; i < kSheetYearCount; ++i) {
        const QString year = QString::number(kFirstSheetYear + i);
        const QVariant v = rs.value(prefix + year);
        if (!isEmptyValue(v))
            out += year + QStringLiteral(": ") + v.toString() + QLatin1Char('\n');
    }
    return out;
}

YearBoxes yearMarks(const Recordset &rs, bool upperCase)
{
    YearBoxes boxes;
    for (int i = 0; i < kSheetYearCount; ++i) {
        const QString t = valueText(rs.value(QString::number(kFirstSheetYear + i)));
        boxes[size_t(i)] = upperCase ? t.toUpper() : t;
    }
    return boxes;
}

QString topicText(const QString &code, const QString &name)
{
    const QString shown = code.contains(QLatin1String("-PD")) ? code.left(code.size() - 3) : code;
    return shown + QStringLiteral(" - ") + name;
}

QString levelText(const QString &mark)
{
    if (mark == QLatin1String("P"))
        return QStringLiteral("Provinciale");
    if (mark == QLatin1String("R"))
        return QStringLiteral("Regionale");
    return QString();
}

QString cleanNoteText(const QString &text)
{
    QString s = text;
    for (QChar &c : s) {
        switch (c.unicode()) {
        case 0x000A:
            c = QLatin1Char(' ');
            break;
        case 0x201C: // the typographic quotes and the bullet of the Windows code page (147-149)
        case 0x201D:
            c = QLatin1Char('\'');
            break;
        case 0x2022:
            c = QLatin1Char('-');
            break;
        default:
            break;
        }
    }
    return s;
}

QString evaluationSection(const QString &code)
{
    static const struct {
        const char *code;
        const char *section;
    } sections[] = {{"A", "Contesto"},     {"B1", "Dotazione"},    {"B2", "Dotazione"},   {"B3", "Dotazione"},
                    {"C", "Funzionalità"}, {"C1", "Funzionalità"}, {"D", "Funzionalità"}, {"E", "Domanda"},
                    {"E1", "Domanda"},     {"E2", "Domanda"}};
    for (const auto &s : sections)
        if (code == QLatin1String(s.code))
            return QString::fromUtf8(s.section);
    return QString();
}

bool isYes(const QVariant &v)
{
    return valueText(v).compare(QLatin1String("si"), Qt::CaseInsensitive) == 0;
}

bool isOne(const QVariant &v)
{
    bool ok = false;
    return !v.isNull() && v.toString().trimmed().toInt(&ok) == 1 && ok;
}

std::optional<VariableSheet> loadVariableSheet(Connection &cn, const QString &code)
{
    Recordset rs = cn.query(metadataSheetQuery(QStringLiteral("Variabili"), code));
    if (rs.bof() && rs.eof())
        return std::nullopt;
    VariableSheet s;
    s.variabile = rs.text(QStringLiteral("IdVariabile")) + QStringLiteral(" - ")
        + rs.text(QStringLiteral("DescVariabile"));
    s.settore = rs.text(QStringLiteral("Descrizione Settore"));
    s.argomento = topicText(rs.text(QStringLiteral("CodiceArgomento")), rs.text(QStringLiteral("Desc argomento")));
    s.fonti = yearSeries(rs, QStringLiteral("Fonte_"));
    s.pubblicazioni = yearSeries(rs, QStringLiteral("Pubblicazione_"));
    s.enti = yearSeries(rs, QStringLiteral("Ente_"));
    s.noteAnni = yearSeries(rs, QStringLiteral("Note_"));
    s.livello = levelText(rs.text(QStringLiteral("LivelloTerritoriale")));
    s.numProvince = rs.text(QStringLiteral("NumProvince"));
    s.unita = rs.text(QStringLiteral("UnitaMisura"));
    s.periodo = rs.text(QStringLiteral("PeriodoRif"));
    s.noteSerie = cleanNoteText(rs.text(QStringLiteral("NoteSerie")));
    s.anni = yearMarks(rs);
    return s;
}

std::optional<IndicatorSheet> loadIndicatorSheet(Connection &cn, const QString &code)
{
    Recordset rs = cn.query(metadataSheetQuery(QStringLiteral("Indicatori"), code));
    if (rs.bof() && rs.eof())
        return std::nullopt;
    IndicatorSheet s;
    s.indicatore = rs.text(QStringLiteral("IdIndicatore")) + QStringLiteral(" - ")
        + rs.text(QStringLiteral("DescIndicatore"));
    s.settore = rs.text(QStringLiteral("Descrizione Settore"));
    s.argomento = rs.text(QStringLiteral("Argomento")) + QStringLiteral(" - ")
        + rs.text(QStringLiteral("Desc argomento"));
    s.psm = rs.text(QStringLiteral("PSM"));
    s.bdquid = rs.text(QStringLiteral("BdQuid"));
    s.valutazione = evaluationSection(rs.text(QStringLiteral("Valutazione")));
    s.modalitaCalcolo = rs.text(QStringLiteral("ModalitaCalcolo"));
    s.variabiliAssociate = rs.text(QStringLiteral("IdVariabilAssociate"));
    s.noteTecniche = rs.text(QStringLiteral("NoteTecniche"));
    s.destinazione = rs.text(QStringLiteral("Destinazione"));
    s.prov = isOne(rs.value(QStringLiteral("Prov")));
    s.sll = isOne(rs.value(QStringLiteral("SLL")));
    s.comune = isOne(rs.value(QStringLiteral("Comune")));
    s.datoPuntuale = isOne(rs.value(QStringLiteral("DatoPuntuale")));
    s.sintesi = isYes(rs.value(QStringLiteral("UtilizzSintesi")));
    s.anni = yearMarks(rs);
    return s;
}

QString sheetTipoOfCode(const QString &code)
{
    return code.size() > 2 && code[2].isLetter() ? QStringLiteral("Indicatori") : QStringLiteral("Variabili");
}

QString sheetMissingMessage(const QString &tipo)
{
    return tipo == QLatin1String("Variabili") ? QStringLiteral("Informazioni per la variabile non disponibili!")
                                              : QStringLiteral("Informazioni per l'indicatore non disponibili!");
}

QString sheetPrintCode(const QString &tipo, const QString &firstBox)
{
    return firstBox.left(tipo == QLatin1String("Variabili") ? 5 : 6).trimmed();
}

} // namespace qrn

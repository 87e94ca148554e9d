#pragma once
// The content of the metadata sheets of a variable and of an indicator, read from the
// catalogue entry of Metadati.mdb, and the small rules their boxes follow.

#include <QString>
#include <QVariant>
#include <array>
#include <optional>

namespace qrn {

class Connection;
class Recordset;

constexpr int kFirstSheetYear = 1996;
constexpr int kSheetYearCount = 13; // 1996 to 2008
using YearBoxes = std::array<QString, kSheetYearCount>;

// Null, or a trimmed text of "" or "-".
bool isEmptyValue(const QVariant &v);
// The value as text; a null as "".
QString valueText(const QVariant &v);

// One line "year: value" (each ending with a line break) for every year whose field
// prefix + year is not empty, in year order.
QString yearSeries(const Recordset &rs, const QString &prefix);
// The fields named by the years, as they stand ("" for a null); upper case when asked.
YearBoxes yearMarks(const Recordset &rs, bool upperCase = false);
// The topic code and name; a code holding "-PD" is shown without its last three characters.
QString topicText(const QString &code, const QString &name);
// "P" -> "Provinciale", "R" -> "Regionale", anything else "".
QString levelText(const QString &mark);
// Line feeds to blanks, typographic double quotes to "'", the bullet to "-"; length kept.
QString cleanNoteText(const QString &text);
// The evaluation section of an evaluation code ("" when the code is none of the known ones).
QString evaluationSection(const QString &code);
// "Si" in any letter case.
bool isYes(const QVariant &v);
// A check box field holding 1.
bool isOne(const QVariant &v);

struct VariableSheet {
    QString variabile, settore, argomento, fonti, pubblicazioni, enti, noteAnni, livello, numProvince, unita, periodo,
        noteSerie;
    YearBoxes anni;
};

struct IndicatorSheet {
    QString indicatore, settore, argomento, psm, bdquid, valutazione, modalitaCalcolo, variabiliAssociate, noteTecniche,
        destinazione;
    bool prov = false, sll = false, comune = false, datoPuntuale = false, sintesi = false;
    YearBoxes anni;
};

// The sheet of a code, or nothing when the catalogue has no entry for it. Throws DbError.
std::optional<VariableSheet> loadVariableSheet(Connection &cn, const QString &code);
std::optional<IndicatorSheet> loadIndicatorSheet(Connection &cn, const QString &code);

// The type of an item code: "Indicatori" for a three-letter prefix (IAS013), else "Variabili".
QString sheetTipoOfCode(const QString &code);
// The information message of a sheet without an entry.
QString sheetMissingMessage(const QString &tipo);
// The code a sheet prints: the first characters of its first box (5 for a variable, 6 for an
// indicator), trimmed.
QString sheetPrintCode(const QString &tipo, const QString &firstBox);

} // namespace qrn

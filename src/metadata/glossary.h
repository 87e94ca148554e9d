#pragma once
// The glossary of Metadati.mdb: the statements that list its terms by letter, sector or typed
// text, and the definition of a term.

#include <QString>
#include <QStringList>
#include <optional>

namespace qrn {

class Connection;

// The search modes of the glossary window, by option index.
enum class GlossaryMode { Contains = 0, Letter = 1, StartsWith = 2, All = 3 };

// Which controls a mode enables.
struct GlossaryControls {
    bool letters = false; // the letter list
    bool contains = false; // search box 0
    bool starts = false; // search box 1
    bool search = false; // the search button
};
GlossaryControls glossaryControls(GlossaryMode mode);
QString glossaryModeCaption(GlossaryMode mode);

// The text of a LIKE pattern that matches text as it stands: apostrophes doubled, and "%",
// "_" and the escape character itself preceded by the escape character "\".
QString likeText(const QString &text);

QString glossaryLetterQuery(const QString &letter);
QString glossarySectorQuery(const QString &sectorCode);
QString glossaryContainsQuery(const QString &text);
QString glossaryStartsQuery(const QString &text);
QString glossaryAllQuery();
QString glossaryDefinitionQuery(const QString &term);

// The first column of every row of statement, in Italian dictionary order (case and accents
// ignored at first sight). Throws DbError.
QStringList glossaryTerms(Connection &cn, const QString &statement);
// The definition of a term; nothing when the term is not in the glossary. Throws DbError.
std::optional<QString> glossaryDefinition(Connection &cn, const QString &term);

// The letters "A" to "Z" of the letter list.
QStringList glossaryLetters();

} // namespace qrn

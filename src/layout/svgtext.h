#pragma once
// Texts handed to QSvgGenerator. The generator escapes the text it draws, but writes the
// document's title and description between their tags as they are, and font family names
// between quotes as they are: a title such as "Strade & ferrovie" would make a file no XML
// reader opens. Every title, description and family name given to the generator goes through
// here, so that every SVG the program writes is well-formed XML whatever the user typed.

#include <QString>

class QSvgGenerator;

namespace qrn {

// The text without the characters XML 1.0 does not allow (controls other than tab and line ends,
// lone surrogates, U+FFFE and U+FFFF): the generator escapes the text it draws but keeps those,
// so the texts drawn into an SVG go through here first.
QString svgCharacters(const QString &text);
// The text with the characters XML 1.0 does not allow removed (controls other than tab and
// line ends, lone surrogates, U+FFFE and U+FFFF) and & < > " ' written as references.
QString svgEscaped(const QString &text);
// A font family name as the generator may write it between quotes: without & < > " ' and the
// characters XML does not allow (a family is matched by its name; no installed family holds them).
QString svgFontFamily(const QString &family);
// Sets the generator's title and description, escaped unless the generator escapes them itself.
void setSvgTexts(QSvgGenerator &svg, const QString &title, const QString &description);

} // namespace qrn

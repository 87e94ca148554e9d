#pragma once
#include <QString>

namespace qrn::cli {

// The manual page (roff, man macros) of quarnaro-cli, made from its help text so that the two
// never differ: the usage line becomes the synopsis, the program-wide options a section of
// their own, every command a subsection with its entry of the command list and the block of
// its own options ("Opzioni del comando NOME ..."), any other block a section after them.
QString manPage(const QString &helpText, const QString &version);

} // namespace qrn::cli

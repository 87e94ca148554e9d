// The Italian texts of the engine's messages. A known message keeps the name the engine
// reported (table, column, token) inside the Italian text; an unknown one is never dropped but
// given in parentheses after a general Italian text. No state, safe from any thread.

#include "shell/enginemessage.h"

namespace qrn {

QString engineMessage(const QString &message)
{
    // The engine's own texts are English; the user reads the Italian one, with the name the
    // engine reported.
    static const struct {
        const char *prefix;
        const char *italian; // %1: the rest of the engine's text
    } known[] = {
        {"no such table: ", "Impossibile trovare la tabella o la query '%1'."},
        {"no such column: ", "Campo sconosciuto: '%1'."},
        {"ambiguous column name: ", "Il campo '%1' è presente in più tabelle dell'istruzione."},
        {"no such function: ", "Funzione non definita nell'espressione: '%1'."},
        {"incomplete input", "Istruzione SQL incompleta."},
        {"attempt to write a readonly database", "Il database è in sola lettura: impossibile modificarlo."},
        {"database is locked", "Il database è bloccato da un altro utente."},
        {"UNIQUE constraint failed: ", "Valore duplicato nel campo %1."},
        {"too many columns", "Troppi campi nell'istruzione SQL."},
        {"unrecognized token: ", "Simbolo non riconosciuto nell'istruzione SQL: %1."},
    };
    for (const auto &k : known) {
        const QString prefix = QString::fromLatin1(k.prefix);
        if (message.startsWith(prefix))
            return QString::fromUtf8(k.italian).arg(message.mid(prefix.size()));
    }
    // near "X": syntax error
    if (message.startsWith(QLatin1String("near ")) && message.endsWith(QLatin1String(": syntax error")))
        return QStringLiteral("Errore di sintassi nell'istruzione SQL vicino a %1.")
            .arg(message.mid(5, message.size() - 5 - int(qstrlen(": syntax error"))));
    return QStringLiteral("Errore del database (%1).").arg(message);
}

} // namespace qrn

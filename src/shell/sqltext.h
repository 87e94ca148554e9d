#pragma once
// Small helpers for SQL text built by concatenation.
#include <QString>

namespace qrn {

// Text for the inside of a single-quoted SQL literal: every apostrophe doubled, so names such
// as "L'Aquila" never end the literal early.
inline QString sqlEscape(const QString &text)
{
    QString s = text;
    s.replace(QLatin1Char('\''), QLatin1String("''"));
    return s;
}

// A complete single-quoted literal.
inline QString sqlQuote(const QString &text)
{
    return QLatin1Char('\'') + sqlEscape(text) + QLatin1Char('\'');
}

// Rewrites a statement written for the Access engine into one the embedded store accepts:
// string literals compare without regard to case (as Access compares text), and the functions
// Left/Right, which are keywords of the store's grammar, are called under their registered names.
QString translateJetSql(const QString &sql);

} // namespace qrn

// The manual page of quarnaro-cli from its help text. The help text is laid out in blocks
// separated by blank lines; a block opens with a heading at column 0 ending with ':' and holds
// entries ("  TERM" with its description from column 22, continued on lines indented by 22),
// prose at column 0 and examples (the indented lines after a line ending with "Esempio:").
// Every word of the help text appears in the page.
#include "app/climan.h"

#include <QStringList>
#include <map>
#include <vector>

namespace qrn::cli {

namespace {

constexpr int kDescriptionColumn = 22;

struct Entry {
    QString term, description;
};

// One piece of a block, in order: an entry, a line of prose or an example.
struct Piece {
    enum class Kind { Entry, Prose, Example } kind;
    Entry entry;
    QStringList lines; // prose or example lines
};

struct Block {
    QString heading; // "" for a block without one
    std::vector<Piece> pieces;
};

// Text for roff: backslashes and dashes escaped, a line never opening with a control character.
QString roff(const QString &text)
{
    QString s = text;
    s.replace(QLatin1Char('\\'), QLatin1String("\\e"));
    s.replace(QLatin1Char('-'), QLatin1String("\\-"));
    if (s.startsWith(QLatin1Char('.')) || s.startsWith(QLatin1Char('\'')))
        s.prepend(QLatin1String("\\&"));
    return s;
}

bool isHeading(const QString &line)
{
    return !line.isEmpty() && !line.at(0).isSpace() && line.endsWith(QLatin1Char(':'));
}

std::vector<Block> parseBlocks(const QStringList &lines)
{
    std::vector<Block> blocks;
    bool open = false, inExample = false;
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty()) {
            open = inExample = false;
            continue;
        }
        if (!open) {
            blocks.push_back({});
            open = true;
            if (isHeading(line)) {
                blocks.back().heading = line;
                continue;
            }
        }
        std::vector<Piece> &pieces = blocks.back().pieces;
        if (!line.at(0).isSpace()) {
            inExample = line.endsWith(QLatin1String("Esempio:"));
            if (!pieces.empty() && pieces.back().kind == Piece::Kind::Prose)
                pieces.back().lines << line;
            else
                pieces.push_back({Piece::Kind::Prose, {}, {line}});
            continue;
        }
        if (inExample) {
            if (!pieces.empty() && pieces.back().kind == Piece::Kind::Example && line.startsWith(QLatin1String("   ")))
                pieces.back().lines << line.mid(2);
            else
                pieces.push_back({Piece::Kind::Example, {}, {line.mid(2)}});
            continue;
        }
        const bool continuation = line.size() > kDescriptionColumn
            && line.left(kDescriptionColumn).trimmed().isEmpty() && !pieces.empty()
            && pieces.back().kind == Piece::Kind::Entry;
        if (continuation) {
            Entry &e = pieces.back().entry;
            e.description += (e.description.isEmpty() ? QString() : QStringLiteral(" ")) + line.trimmed();
            continue;
        }
        Entry e;
        if (line.size() > kDescriptionColumn && line.at(kDescriptionColumn - 1) == QLatin1Char(' ')
            && line.at(kDescriptionColumn) != QLatin1Char(' ')) {
            e.term = line.left(kDescriptionColumn - 1).trimmed();
            e.description = line.mid(kDescriptionColumn).trimmed();
        } else {
            e.term = line.trimmed();
        }
        pieces.push_back({Piece::Kind::Entry, e, {}});
    }
    return blocks;
}

void writePieces(QString &out, const std::vector<Piece> &pieces)
{
    for (const Piece &p : pieces) {
        switch (p.kind) {
        case Piece::Kind::Entry:
            // In bold inline rather than through .B, whose arguments would lose their quotes.
            out += QStringLiteral(".TP\n\\fB") + roff(p.entry.term) + QStringLiteral("\\fR\n");
            if (!p.entry.description.isEmpty())
                out += roff(p.entry.description) + QLatin1Char('\n');
            break;
        case Piece::Kind::Prose:
            out += QStringLiteral(".PP\n");
            for (const QString &l : p.lines)
                out += roff(l) + QLatin1Char('\n');
            break;
        case Piece::Kind::Example:
            out += QStringLiteral(".PP\n.RS\n.nf\n");
            for (const QString &l : p.lines)
                out += roff(l) + QLatin1Char('\n');
            out += QStringLiteral(".fi\n.RE\n");
            break;
        }
    }
}

// "Opzioni:" -> "OPZIONI".
QString sectionTitle(const QString &heading)
{
    QString t = heading;
    if (t.endsWith(QLatin1Char(':')))
        t.chop(1);
    return t.toUpper();
}

} // namespace

QString manPage(const QString &helpText, const QString &version)
{
    QStringList lines = helpText.split(QLatin1Char('\n'));
    QString usage;
    if (!lines.isEmpty() && lines.first().startsWith(QLatin1String("uso:"))) {
        usage = lines.takeFirst().mid(4).trimmed();
    }
    const std::vector<Block> blocks = parseBlocks(lines);

    // The command list, and the blocks of options of each command.
    const Block *commandList = nullptr;
    std::map<QString, std::vector<const Block *>> commandBlocks;
    std::vector<const Block *> others;
    for (const Block &b : blocks) {
        static const QString optionsOf = QStringLiteral("Opzioni del comando ");
        if (b.heading == QLatin1String("Comandi:"))
            commandList = &b;
        else if (b.heading.startsWith(optionsOf))
            commandBlocks[b.heading.mid(optionsOf.size()).section(QLatin1Char(' '), 0, 0).remove(QLatin1Char(':'))]
                .push_back(&b);
        else
            others.push_back(&b);
    }

    QString out;
    out += QStringLiteral(".\\\" -*- coding: UTF-8 -*-\n");
    out += QStringLiteral(".\\\" Generated from the text of quarnaro-cli --help.\n");
    out += QStringLiteral(".TH QUARNARO\\-CLI 1 \"\" \"Quarnaro %1\" \"Comandi dell'utente\"\n").arg(version);
    // The words are Italian; the hyphenation patterns are not.
    out += QStringLiteral(".nh\n");
    out += QStringLiteral(".SH NOME\nquarnaro\\-cli \\- statistiche sulle infrastrutture dei territori italiani "
                          "dalla riga di comando\n");
    if (!usage.isEmpty()) {
        const QString program = usage.section(QLatin1Char(' '), 0, 0);
        out += QStringLiteral(".SH SINTASSI\n.B ") + roff(program) + QLatin1Char('\n')
            + roff(usage.section(QLatin1Char(' '), 1)) + QLatin1Char('\n');
    }
    // The blocks without a heading (notes at the end) come after the commands.
    std::vector<const Block *> notes;
    for (const Block *b : others) {
        if (b->heading.isEmpty()) {
            notes.push_back(b);
            continue;
        }
        out += QStringLiteral(".SH ") + roff(sectionTitle(b->heading)) + QLatin1Char('\n');
        writePieces(out, b->pieces);
    }
    if (commandList) {
        out += QStringLiteral(".SH COMANDI\n");
        for (const Piece &p : commandList->pieces) {
            if (p.kind != Piece::Kind::Entry) {
                writePieces(out, {p});
                continue;
            }
            const QString name = p.entry.term.section(QLatin1Char(' '), 0, 0);
            out += QStringLiteral(".SS ") + roff(name) + QLatin1Char('\n');
            writePieces(out, {p});
            for (const Block *b : commandBlocks[name]) {
                out += QStringLiteral(".PP\n") + roff(b->heading) + QLatin1Char('\n');
                writePieces(out, b->pieces);
            }
            commandBlocks.erase(name);
        }
    }
    // Options of a command missing from the list still appear.
    for (const auto &[name, list] : commandBlocks)
        for (const Block *b : list) {
            out += QStringLiteral(".SH ") + roff(sectionTitle(b->heading)) + QLatin1Char('\n');
            writePieces(out, b->pieces);
        }
    if (!notes.empty()) {
        out += QStringLiteral(".SH NOTE\n");
        for (const Block *b : notes)
            writePieces(out, b->pieces);
    }
    return out;
}

} // namespace qrn::cli

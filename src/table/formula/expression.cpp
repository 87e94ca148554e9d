// The tokenizer, the cell number reader, and the compiler and evaluator of row expressions. An
// expression is compiled once by recursive descent into a postfix program (a syntax error discards
// it whole) and then run for each row on a stack of the depth the compiler measured, so a long
// chain of signs or parentheses never recurses at run time. A blank result (division by zero, a
// value that is not finite at any step, a CDbl text that is not a number) is never written as 0.

#include "table/formula/expression.h"

#include <charconv>
#include <cmath>
#include <string>

namespace qrn::formula {

QList<Token> tokenize(const QString &expressionText, const QStringList &headers, int dataColumnFrom)
{
    // Only blanks are trimmed and split at, as the expression box holds nothing else between
    // its tokens; other white space stays inside a token.
    qsizetype from = 0, to = expressionText.size();
    while (from < to && expressionText.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && expressionText.at(to - 1) == QLatin1Char(' '))
        --to;
    QString text = expressionText.mid(from, to - from);
    if (text.isEmpty())
        return {};
    // One pass: four blanks become two, which the split below turns into an empty token. An
    // empty token is kind "a" and only adds a blank to the row expression.
    text.replace(QLatin1String("  "), QLatin1String(" "));

    QList<Token> tokens;
    const QStringList parts = text.split(QLatin1Char(' '));
    tokens.reserve(parts.size());
    for (const QString &part : parts) {
        Token t;
        t.text = part;
        for (int c = std::max(dataColumnFrom, 0); c < headers.size(); ++c) {
            if (!part.isEmpty() && headers.at(c) == part) {
                t.isColumn = true;
                t.column = c;
                t.text = QString::number(c);
                break;
            }
        }
        tokens.append(std::move(t));
    }
    return tokens;
}

namespace {
bool isDigitChar(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}
} // namespace

std::optional<double> readCellNumber(const QString &text, const NumberFormat &fmt)
{
    // [sign] digits [decimal-mark digits], nothing else: the number is those characters with
    // the decimal mark as ".", read with correct rounding as the general reader does.
    const qsizetype n = text.size();
    if (n > 0 && n < 64) {
        char buf[64];
        qsizetype i = 0, k = 0;
        if (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+'))
            buf[k++] = char(text[i++].unicode());
        const qsizetype intStart = i;
        while (i < n && isDigitChar(text[i]))
            buf[k++] = char(text[i++].unicode());
        bool plain = i > intStart;
        if (plain && i < n) {
            plain = text[i] == fmt.decimal && fmt.decimal.unicode() < 128;
            if (plain) {
                buf[k++] = '.';
                const qsizetype fracStart = ++i;
                while (i < n && isDigitChar(text[i]))
                    buf[k++] = char(text[i++].unicode());
                plain = i == n && i > fracStart;
            }
        }
        if (plain) {
            const char *first = buf[0] == '+' ? buf + 1 : buf;
            double v = 0;
            const auto [ptr, ec] = std::from_chars(first, buf + k, v, std::chars_format::fixed);
            if (ec == std::errc() && ptr == buf + k && std::isfinite(v))
                return v;
        }
    }
    return fmt.toNumber(text);
}

QString formatResult(double value, const NumberFormat &fmt)
{
    return fmt.fixed(value, 4);
}

namespace {

using Op = CompiledFormula::Op;

// A piece of the text to parse: plain text, or (slot >= 0) one column value of the formula.
struct Segment {
    QStringView text;
    int slot = -1;
};

enum class Lex : std::uint8_t { End, Number, Slot, Plus, Minus, Star, Slash, Caret, Open, Close, CDbl, String, Bad };

struct Lexeme {
    Lex kind = Lex::End;
    double number = 0; // Number
    int slot = -1; // Slot
    QString string; // String: the content with doubled quotes made single
};

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

class Lexer {
public:
    explicit Lexer(const std::vector<Segment> &segments) : m_segments(segments) { }

    Lexeme next()
    {
        while (m_seg < m_segments.size()) {
            const Segment &s = m_segments[m_seg];
            if (s.slot >= 0) {
                ++m_seg;
                m_pos = 0;
                Lexeme l;
                l.kind = Lex::Slot;
                l.slot = s.slot;
                return l;
            }
            while (m_pos < s.text.size() && isBlank(s.text[m_pos]))
                ++m_pos;
            if (m_pos == s.text.size()) {
                ++m_seg;
                m_pos = 0;
                continue;
            }
            return lexIn(s.text);
        }
        return {};
    }

private:
    Lexeme lexIn(QStringView t)
    {
        Lexeme l;
        const QChar c = t[m_pos];
        switch (c.unicode()) {
        case '+':
            ++m_pos;
            l.kind = Lex::Plus;
            return l;
        case '-':
            ++m_pos;
            l.kind = Lex::Minus;
            return l;
        case '*':
            ++m_pos;
            l.kind = Lex::Star;
            return l;
        case '/':
            ++m_pos;
            l.kind = Lex::Slash;
            return l;
        case '^':
            ++m_pos;
            l.kind = Lex::Caret;
            return l;
        case '(':
            ++m_pos;
            l.kind = Lex::Open;
            return l;
        case ')':
            ++m_pos;
            l.kind = Lex::Close;
            return l;
        case '\'':
            return lexString(t);
        default:
            break;
        }
        if (isAsciiDigit(c) || c == QLatin1Char('.'))
            return lexNumber(t);
        if (isAsciiLetter(c)) {
            qsizetype end = m_pos;
            while (end < t.size() && (isAsciiLetter(t[end]) || isAsciiDigit(t[end]) || t[end] == QLatin1Char('_')))
                ++end;
            const QStringView word = t.mid(m_pos, end - m_pos);
            m_pos = end;
            l.kind = word.compare(QLatin1String("CDbl"), Qt::CaseInsensitive) == 0 ? Lex::CDbl : Lex::Bad;
            return l;
        }
        l.kind = Lex::Bad;
        return l;
    }

    Lexeme lexNumber(QStringView t)
    {
        Lexeme l;
        std::string digits;
        qsizetype i = m_pos;
        bool any = false;
        while (i < t.size() && isAsciiDigit(t[i])) {
            digits.push_back(char(t[i].unicode()));
            ++i;
            any = true;
        }
        if (i < t.size() && t[i] == QLatin1Char('.')) {
            digits.push_back('.');
            ++i;
            while (i < t.size() && isAsciiDigit(t[i])) {
                digits.push_back(char(t[i].unicode()));
                ++i;
                any = true;
            }
        }
        m_pos = i;
        if (!any) { // a lone "."
            l.kind = Lex::Bad;
            return l;
        }
        if (digits.back() == '.')
            digits.pop_back(); // "12." is 12
        double v = 0;
        const char *first = digits.data();
        const char *last = first + digits.size();
        if (*first == '.') {
            digits.insert(digits.begin(), '0');
            first = digits.data();
            last = first + digits.size();
        }
        const auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::fixed);
        if (ec == std::errc::result_out_of_range)
            v = HUGE_VAL; // too many digits for a double: treated like any overflow
        else if (ec != std::errc() || ptr != last) {
            l.kind = Lex::Bad;
            return l;
        }
        l.kind = Lex::Number;
        l.number = v;
        return l;
    }

    Lexeme lexString(QStringView t)
    {
        Lexeme l;
        qsizetype i = m_pos + 1;
        while (i < t.size()) {
            if (t[i] == QLatin1Char('\'')) {
                if (i + 1 < t.size() && t[i + 1] == QLatin1Char('\'')) {
                    l.string += QLatin1Char('\'');
                    i += 2;
                    continue;
                }
                m_pos = i + 1;
                l.kind = Lex::String;
                return l;
            }
            l.string += t[i];
            ++i;
        }
        m_pos = t.size();
        l.kind = Lex::Bad; // no closing quote
        return l;
    }

    const std::vector<Segment> &m_segments;
    std::size_t m_seg = 0;
    qsizetype m_pos = 0;
};

// Recursive descent over the lexemes, writing the postfix program. Every function returns
// false on a syntax error; the program is then discarded.
class Parser {
public:
    Parser(const std::vector<Segment> &segments, const NumberFormat &fmt) : m_lexer(segments), m_fmt(fmt) { advance(); }

    bool parseAll()
    {
        if (!expression())
            return false;
        return m_cur.kind == Lex::End;
    }

    std::vector<Op> program;
    int stackNeeded = 0;

private:
    void advance() { m_cur = m_lexer.next(); }

    void push(Op op)
    {
        program.push_back(op);
        switch (op.code) {
        case Op::Number:
        case Op::Column:
        case Op::NotANumber:
            stackNeeded = std::max(stackNeeded, ++m_stack);
            break;
        case Op::Negate:
            break;
        default:
            --m_stack; // binary operators take two values and give one
            break;
        }
    }

    bool enter() { return ++m_depth <= maxNesting; }
    void leave() { --m_depth; }

    bool expression()
    {
        if (!term())
            return false;
        while (m_cur.kind == Lex::Plus || m_cur.kind == Lex::Minus) {
            const Op::Code code = m_cur.kind == Lex::Plus ? Op::Add : Op::Subtract;
            advance();
            if (!term())
                return false;
            push({code});
        }
        return true;
    }

    bool term()
    {
        if (!factor())
            return false;
        while (m_cur.kind == Lex::Star || m_cur.kind == Lex::Slash) {
            const Op::Code code = m_cur.kind == Lex::Star ? Op::Multiply : Op::Divide;
            advance();
            if (!factor())
                return false;
            push({code});
        }
        return true;
    }

    // Negation sits below "^" in the engine's order (as in VBA, the language of the same
    // expression service): -2 ^ 2 is -(2 ^ 2) = -4. Signs are counted in a loop, so a long run
    // of them cannot exhaust the stack.
    bool factor()
    {
        bool negate = false;
        while (m_cur.kind == Lex::Plus || m_cur.kind == Lex::Minus) {
            if (m_cur.kind == Lex::Minus)
                negate = !negate;
            advance();
        }
        if (!power())
            return false;
        if (negate)
            push({Op::Negate});
        return true;
    }

    // "^" groups to the left: 2 ^ 3 ^ 2 = 64. A signed exponent (2 ^ -2) is allowed as the
    // engine allows it; its sign negates the power chain after it, since negation is below "^":
    // 2 ^ -3 ^ 2 = 2 ^ -(3 ^ 2). The keypad cannot produce an operator right after another, so
    // only a typed expression can reach this reading.
    bool power()
    {
        if (!primary())
            return false;
        while (m_cur.kind == Lex::Caret) {
            advance();
            if (m_cur.kind == Lex::Plus || m_cur.kind == Lex::Minus) {
                if (!enter())
                    return false;
                const bool ok = factor();
                leave();
                if (!ok)
                    return false;
            } else if (!primary()) {
                return false;
            }
            push({Op::Power});
        }
        return true;
    }

    bool primary()
    {
        switch (m_cur.kind) {
        case Lex::Number:
            push(std::isfinite(m_cur.number) ? Op {Op::Number, m_cur.number} : Op {Op::NotANumber});
            advance();
            return true;
        case Lex::Slot:
            push({Op::Column, 0, m_cur.slot});
            advance();
            return true;
        case Lex::Open: {
            if (!enter())
                return false;
            advance();
            const bool ok = expression() && m_cur.kind == Lex::Close;
            leave();
            if (ok)
                advance();
            return ok;
        }
        case Lex::CDbl: {
            advance();
            if (m_cur.kind != Lex::Open || !enter())
                return false;
            advance();
            bool ok;
            if (m_cur.kind == Lex::String) {
                const std::optional<double> v = m_fmt.toNumber(m_cur.string);
                push(v ? Op {Op::Number, *v} : Op {Op::NotANumber});
                advance();
                ok = true;
            } else {
                ok = expression();
            }
            ok = ok && m_cur.kind == Lex::Close;
            leave();
            if (ok)
                advance();
            return ok;
        }
        default:
            return false;
        }
    }

    Lexer m_lexer;
    const NumberFormat &m_fmt;
    Lexeme m_cur;
    int m_stack = 0;
    int m_depth = 0;
};

// Runs a postfix program. Returns false for a blank result: a division by zero, a value that
// is not a finite number at any step, or a CDbl text that is not a number.
bool run(const std::vector<Op> &program, int stackNeeded, const double *values, double &result)
{
    constexpr int inlineStack = 64;
    double local[inlineStack];
    std::vector<double> heap;
    double *st = local;
    if (stackNeeded > inlineStack) {
        heap.resize(std::size_t(stackNeeded));
        st = heap.data();
    }
    int sp = 0;
    for (const Op &op : program) {
        double r;
        switch (op.code) {
        case Op::Number:
            st[sp++] = op.number;
            continue;
        case Op::Column:
            st[sp++] = values[op.slot];
            continue;
        case Op::NotANumber:
            return false;
        case Op::Negate:
            st[sp - 1] = -st[sp - 1];
            continue;
        case Op::Add:
            r = st[sp - 2] + st[sp - 1];
            break;
        case Op::Subtract:
            r = st[sp - 2] - st[sp - 1];
            break;
        case Op::Multiply:
            r = st[sp - 2] * st[sp - 1];
            break;
        case Op::Divide:
            if (st[sp - 1] == 0.0)
                return false;
            r = st[sp - 2] / st[sp - 1];
            break;
        case Op::Power:
            r = std::pow(st[sp - 2], st[sp - 1]);
            break;
        default:
            return false;
        }
        if (!std::isfinite(r))
            return false;
        st[sp - 2] = r;
        --sp;
    }
    if (sp != 1)
        return false; // cannot happen for a parsed program
    result = st[0];
    return true;
}

// A row expression that is nothing but a number is written as it stands (12 stays 12). Not
// when it holds the program's group mark: under a decimal comma the keypad's decimal point is
// that mark, and "1.5" would stand in the cell as a text that reads as 15; such a constant goes
// through the evaluator instead (1,5000, or a syntax error for 1.2.3).
bool standsAsNumber(const QString &text, const NumberFormat &fmt)
{
    return !text.contains(fmt.group) && fmt.isNumber(text);
}

bool allBlank(QStringView s)
{
    for (QChar c : s)
        if (!isBlank(c))
            return false;
    return true;
}

} // namespace

EvalResult evaluateRowExpression(QStringView expression, const NumberFormat &fmt)
{
    if (standsAsNumber(expression.toString(), fmt))
        return EvalResult::value(expression.trimmed().toString());
    if (allBlank(expression))
        return EvalResult::blank();
    const std::vector<Segment> segments {Segment {expression}};
    Parser parser(segments, fmt);
    if (!parser.parseAll())
        return EvalResult::syntaxError();
    double v = 0;
    if (!run(parser.program, parser.stackNeeded, nullptr, v))
        return EvalResult::blank();
    return EvalResult::value(formatResult(v, fmt));
}

std::optional<CompiledFormula> CompiledFormula::compile(const QList<Token> &tokens, const NumberFormat &fmt)
{
    CompiledFormula f;
    f.m_fmt = fmt;

    // The text between column references, joined exactly as the row expression joins it.
    QStringList texts;
    QString current;
    std::vector<std::pair<int, int>> layout; // (text index or -1, slot or -1)
    for (const Token &t : tokens) {
        if (!t.isColumn) {
            current += t.text;
            current += QLatin1Char(' ');
            continue;
        }
        if (!current.isEmpty()) {
            texts.append(current);
            layout.emplace_back(int(texts.size() - 1), -1);
            current.clear();
        }
        layout.emplace_back(-1, int(f.m_columns.size()));
        f.m_columns.push_back(t.column);
    }
    if (!current.isEmpty()) {
        texts.append(current);
        layout.emplace_back(int(texts.size() - 1), -1);
    }

    if (f.m_columns.empty()) {
        // The same text on every row: the two rules that come before parsing apply to it.
        const QString whole = texts.isEmpty() ? QString() : texts.first();
        if (standsAsNumber(whole, fmt)) {
            f.m_constantText = whole.trimmed();
            return f;
        }
        if (allBlank(whole)) {
            f.m_empty = true;
            return f;
        }
    }

    std::vector<Segment> segments;
    segments.reserve(layout.size());
    for (const auto &[text, slot] : layout)
        segments.push_back(text >= 0 ? Segment {QStringView(texts.at(text))} : Segment {{}, slot});
    Parser parser(segments, fmt);
    if (!parser.parseAll())
        return std::nullopt;
    f.m_program = std::move(parser.program);
    f.m_stackNeeded = parser.stackNeeded;
    return f;
}

EvalResult CompiledFormula::evaluateValues(const double *values) const
{
    if (m_constantText)
        return EvalResult::value(*m_constantText);
    if (m_empty)
        return EvalResult::blank();
    double v = 0;
    if (!run(m_program, m_stackNeeded, values, v))
        return EvalResult::blank();
    return EvalResult::value(formatResult(v, m_fmt));
}

} // namespace qrn::formula

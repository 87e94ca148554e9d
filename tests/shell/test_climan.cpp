// The manual page of quarnaro-cli against its help text: nothing of the help is lost, every
// command has its own section holding its own options, and groff reads the page cleanly.

#include "app/climain.h"
#include "app/climan.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <map>
#include <gtest/gtest.h>

namespace {

// The words of a text, each with its count.
std::map<QString, int> words(const QString &text)
{
    std::map<QString, int> counts;
    for (const QString &w : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        ++counts[w];
    return counts;
}

// The text of a page without its requests and escapes.
QString plainText(const QString &page)
{
    QStringList lines;
    for (QString line : page.split('\n')) {
        if (line.startsWith('.')) {
            // The argument of a heading or a bold line is text too.
            const QRegularExpressionMatch m = QRegularExpression("^\\.(SS|B) (.*)$").match(line);
            if (!m.hasMatch())
                continue;
            line = m.captured(2);
        }
        line.replace("\\fB", "").replace("\\fR", "").replace("\\-", "-").replace("\\e", "\\").replace("\\&", "");
        lines << line;
    }
    return lines.join('\n');
}

} // namespace

// The page of --man holds every word of --help, and groff reads it without a warning.
TEST(ManPage, HoldsEveryWordOfTheHelpAndGroffReadsIt)
{
    QString help, page, err;
    ASSERT_EQ(qrn::cli::run({"--help"}, "/nessuna/cartella", help, err), 0) << err.toStdString();
    ASSERT_EQ(qrn::cli::run({"--man"}, "/nessuna/cartella", page, err), 0) << err.toStdString();
    ASSERT_EQ(page, qrn::cli::manPage(help, QStringLiteral(QUARNARO_VERSION)));
    const QString groff = QStandardPaths::findExecutable("groff");
    ASSERT_FALSE(groff.isEmpty()) << "groff (groff-base) is installed by scripts/install-deps.sh";
    QProcess p;
    p.start(groff, {"-man", "-Tutf8", "-K", "utf8", "-ww", "-z"});
    ASSERT_TRUE(p.waitForStarted());
    p.write(page.toUtf8());
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardError(), "");

    const auto inPage = words(plainText(page));
    // The headings of the help become section titles of their own.
    const QStringList retitled = {"uso:", "Opzioni:", "Comandi:"};
    for (const auto &[word, count] : words(help)) {
        if (retitled.contains(word))
            continue;
        const auto it = inPage.find(word);
        EXPECT_GE(it == inPage.end() ? 0 : it->second, count) << word.toStdString();
    }
}

// One subsection per command of the list, in its order, each holding the block of its own
// options; a block of options never lands under another command.
TEST(ManPage, OneSectionPerCommandWithItsOptions)
{
    const QString help =
        "uso: prova [opzioni] COMANDO\n\nOpzioni:\n  --home CARTELLA     la cartella\n\n"
        "Comandi:\n  primo OPZIONI       fa il primo\n  secondo FILE.zip | --altro FILE.zip\n"
        "                      fa il secondo, su due righe\n\n"
        "Opzioni del comando secondo (oltre a quelle di primo):\n  --lungo-nome TESTO  descrive\n"
        "                      e continua\nUna nota. Esempio:\n  prova secondo --lungo-nome x\n"
        "      --altro y\n\nOpzioni del comando primo:\n  --conta N           conta\n\n"
        "Gli errori vanno sullo standard error.\n";
    const QString page = qrn::cli::manPage(help, "1.0");
    const qsizetype primo = page.indexOf(".SS primo\n"), secondo = page.indexOf(".SS secondo\n");
    ASSERT_GE(primo, 0);
    ASSERT_GT(secondo, primo);
    const qsizetype conta = page.indexOf(".TP\n\\fB\\-\\-conta N\\fR\nconta\n");
    EXPECT_TRUE(conta > primo && conta < secondo);
    EXPECT_GT(page.indexOf("\\fB\\-\\-lungo\\-nome TESTO\\fR\ndescrive e continua\n"), secondo);
    EXPECT_GT(page.indexOf("\\fBsecondo FILE.zip | \\-\\-altro FILE.zip\\fR\nfa il secondo, su due righe\n"), secondo);
    EXPECT_GT(page.indexOf(".nf\nprova secondo \\-\\-lungo\\-nome x\n    \\-\\-altro y\n.fi\n"), secondo);
    EXPECT_TRUE(page.contains(".SH OPZIONI\n.TP\n\\fB\\-\\-home CARTELLA\\fR\nla cartella\n"));
    EXPECT_GT(page.indexOf(".SH NOTE\n.PP\nGli errori vanno sullo standard error.\n"), secondo);
}

// Long work reported through the prompt: the report the core keeps, and the command line's
// progress line, which only a terminal gets.

#include "shell/errorlog.h"
#include "shell/result.h"
#include "shell/prompt.h"
#include "support/scriptedprompt.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <unistd.h>

using namespace qrn;

TEST(ProgressReport, ForwardsEachStepOnceKeepsACancelAndEndsOnLeavingScopeEvenOnAThrow)
{
    ScriptedPrompt prompt;
    {
        ProgressReport report(&prompt, QStringLiteral("Esportazione"), 10);
        report.step(2);
        report.step(2); // the same value again is not news
        report.step(1); // nor an earlier one
        report.step(40); // past the end counts as the end
        EXPECT_FALSE(prompt.progressShown().at(0).ended);
    }
    ASSERT_EQ(prompt.progressShown().size(), 1u);
    EXPECT_EQ(prompt.progressShown()[0].steps, (std::vector<int> {2, 10}));
    EXPECT_TRUE(prompt.progressShown()[0].ended);

    prompt.cancelProgressAtStep(2);
    ProgressReport report(&prompt, QStringLiteral("Caricamento"), 100);
    EXPECT_TRUE(report.step(1));
    EXPECT_FALSE(report.step(2));
    EXPECT_FALSE(report.step(3)); // a cancel holds for the rest of the work
    EXPECT_TRUE(report.cancelled());

    // Work that throws still ends its report.
    try {
        ProgressReport thrown(&prompt, QStringLiteral("Lavoro"), 5);
        throw std::runtime_error("guasto");
    } catch (const std::runtime_error &) {
    }
    EXPECT_TRUE(prompt.progressShown().back().ended);
}

TEST(ProgressReport, APartMapsItsOwnStepsOntoItsShareOfTheWhole)
{
    ScriptedPrompt prompt;
    ProgressReport report(&prompt, QStringLiteral("Lavoro"), 100);
    auto second = report.part(50, 100);
    for (int i : {0, 4, 8})
        second(i, 8);
    report.part(0, 10)(0, 0); // an empty part is done at once (no step back)
    EXPECT_EQ(prompt.progressShown()[0].steps, (std::vector<int> {50, 75, 100}));

    ProgressReport unseen(nullptr, QStringLiteral("Lavoro"), 3);
    EXPECT_TRUE(unseen.step(1) && unseen.part(0, 3)(1, 1));
}

namespace {

// Everything the prompt writes on err during a piece of work of 4 steps.
std::string consoleProgressOutput(std::FILE *err, int readFd)
{
    {
        ConsolePrompt prompt(err);
        ProgressReport report(&prompt, QStringLiteral("Esportazione"), 4);
        for (int i = 1; i <= 4; ++i)
            EXPECT_TRUE(report.step(i));
    }
    std::fflush(err);
    std::string out;
    char buf[256];
    const int flags = fcntl(readFd, F_GETFL);
    fcntl(readFd, F_SETFL, flags | O_NONBLOCK);
    for (ssize_t n; (n = read(readFd, buf, sizeof buf)) > 0;)
        out.append(buf, size_t(n));
    return out;
}

} // namespace

TEST(ConsolePrompt, ShowsProgressOnATerminalAndNothingElsewhere)
{
    // A pipe, as when the output goes to a log or another program: nothing.
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    std::FILE *piped = fdopen(pipeFds[1], "w");
    EXPECT_EQ(consoleProgressOutput(piped, pipeFds[0]), "");
    std::fclose(piped);
    close(pipeFds[0]);

    // A terminal: the percentages on one line, cleared at the end.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    std::FILE *terminal = fdopen(slave, "w");
    const std::string out = consoleProgressOutput(terminal, master);
    std::fclose(terminal);
    close(master);
    EXPECT_NE(out.find("\rEsportazione...  25%"), std::string::npos) << out;
    EXPECT_NE(out.find("\rEsportazione... 100%"), std::string::npos) << out;
    EXPECT_EQ(out.substr(out.size() - 4), "\r\033[K") << out;
}

// A failure to log goes to Error.log under the caller's name (and the log shows it); the others
// are only shown, with their title and icon.
TEST(ReportFailure, LogsUnderTheCallersNameOrShowsTheMessage)
{
    QTemporaryDir dir;
    ScriptedPrompt prompt;
    ErrorLog log;
    log.setFilesFolder(dir.path() + QStringLiteral("/"));
    log.setPrompt(&prompt);
    reportFailure(Failure::shown(QStringLiteral("Manca"), QStringLiteral("Attenzione"), Icon::Exclamation), log,
                  &prompt, QStringLiteral("FormdatiTab"));
    EXPECT_EQ(prompt.messages(), QStringList {QStringLiteral("Manca")});
    EXPECT_FALSE(QFile::exists(log.errorLogPath()));
    prompt.clear();
    reportFailure(Failure::toLog(QStringLiteral("CreaQuery"), QStringLiteral("3078"), QStringLiteral("Rotto")), log,
                  &prompt, QStringLiteral("FormdatiTab"));
    QFile f(log.errorLogPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(f.readAll()).contains(QStringLiteral("Module:FormdatiTab Function: CreaQuery Error N.3078")));
    EXPECT_EQ(prompt.messages().size(), 1);
}

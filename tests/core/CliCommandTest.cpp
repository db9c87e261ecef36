// Every tamsor-cli command's help, run as a program: its usage line names the program and the
// command as a user types them, never the path the program was started from.
#include "CliProcess.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

// The command names of the program's own list ("Commands:" up to the next empty line).
QStringList ListedCommands(const QString& usage)
{
    QStringList names;
    const QStringList lines = usage.split(u'\n');
    for (qsizetype i = lines.indexOf(QStringLiteral("Commands:")) + 1;
         i > 0 && i < lines.size() && !lines[i].isEmpty(); ++i)
        names << lines[i].trimmed().section(u' ', 0, 0);
    return names;
}

} // namespace

TEST(CliCommand, EveryHelpNamesTheProgramAndTheCommandNotThePath)
{
    QTemporaryDir config;
    const CliRun list = RunCli(config.path(), {"--help"});
    ASSERT_EQ(list.exitCode, 0);
    const QStringList commands = ListedCommands(list.out);
    ASSERT_TRUE(commands.contains("add-station") && commands.contains("info"))
        << list.out.toStdString();

    for (const QString& command : commands) {
        SCOPED_TRACE(command.toStdString());
        const CliRun help = RunCli(config.path(), {command, "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.startsWith("Usage: tamsor-cli " + command + " [options]"))
            << help.out.toStdString();
        EXPECT_FALSE(help.out.contains(TAMSOR_BIN_DIR)) << help.out.toStdString();
        EXPECT_FALSE(help.out.contains("--help-all")) << "an option that does nothing";
        EXPECT_EQ(RunCli(config.path(), {command, "-h"}).out, help.out);
    }
    EXPECT_TRUE(RunCli(config.path(), {"add-station", "--help"})
                    .out.startsWith("Usage: tamsor-cli add-station [options] FILE.zop CHANNEL\n"));
}

TEST(CliCommand, WrongArgumentsShowTheProblemAndTheCommandsUsage)
{
    QTemporaryDir config;
    const struct {
        QStringList arguments;
        const char* problem;
    } cases[] = {
        {{"info"}, "tamsor-cli info: expected one project file\n"},
        {{"add-station", "--no-such-option"},
         "tamsor-cli add-station: Unknown option 'no-such-option'.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const CliRun run = RunCli(config.path(), c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.startsWith(QLatin1String(c.problem) + "Usage: tamsor-cli " +
                                       c.arguments.first() + " [options] FILE.zop"))
            << run.err.toStdString();
    }
}

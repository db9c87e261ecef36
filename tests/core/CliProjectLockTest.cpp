// tamsor-cli commands that change a project while another program holds it: they wait a short
// time, then fail naming the holder and change nothing; a lock whose holder was killed is
// taken over.
#include "model/KivFileInf.h"
#include "model/KivProjectLock.h"
#include "model/KivTamsor.h"

#include "CliProcess.h"
#include "StoppedCliRead.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class CliProjectLock : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(reader.WriteProject(project, 2)); }
    CliRun Run(const QStringList& arguments) { return RunCli(dir.filePath("config"), arguments); }
    int Stations()
    {
        TKivTamsor root;
        EXPECT_TRUE(ReadProjectFile(project, root));
        return root.Channels->Items(0)->Stations.Count();
    }

    QTemporaryDir dir;
    QString project = dir.filePath("line.zop");
    StoppedCliRead reader; // its device takes the connection and never answers
};

} // namespace

TEST_F(CliProjectLock, ACommandWaitsForTheHolderThenFailsNamingIt)
{
    TKivProjectLock held(project); // this test program is the holder
    ASSERT_TRUE(held.Acquire(0));
    const QByteArray saved = ReadAll(project);
    const QString holder = QStringLiteral("core_CliProjectLockTest (process %1 on %2)")
                               .arg(QCoreApplication::applicationPid())
                               .arg(QHostInfo::localHostName());
    for (const QStringList& arguments :
         {QStringList{"add-station", project, "1"}, QStringList{"read", project, "1/2"},
          QStringList{"add-channel", project, "--tcp", "10.0.0.9"},
          QStringList{"new", project, "--force"}, QStringList{"run", project, "--duration", "1"},
          QStringList{"set-channel", project, "1", "--defined-only"}}) {
        SCOPED_TRACE(qPrintable(arguments.first()));
        const CliRun run = Run(arguments);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("The project \"" + project + "\" is in use by " + holder))
            << qPrintable(run.err);
        EXPECT_EQ(ReadAll(project), saved);
    }
    held.Release();
    EXPECT_EQ(Run({"add-station", project, "1"}).exitCode, 0);
    EXPECT_EQ(Stations(), 3);
}

TEST_F(CliProjectLock, AReadHoldsTheProjectUntilItEndsAndAKilledReadLeavesNoBlock)
{
    ASSERT_TRUE(reader.Start(dir.filePath("config"), project));
    const qint64 pid = reader.Pid();

    const CliRun second = Run({"add-station", project, "1"});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_TRUE(second.err.contains(QStringLiteral("in use by tamsor-cli (process %1 ").arg(pid)))
        << qPrintable(second.err);
    EXPECT_EQ(Stations(), 2);

    ASSERT_TRUE(reader.Kill()); // its lock file stays behind, naming a process that is gone
    EXPECT_TRUE(QFile::exists(project + ".lock"));
    const CliRun after = Run({"add-station", project, "1"});
    EXPECT_EQ(after.exitCode, 0) << qPrintable(after.err);
    EXPECT_EQ(Stations(), 3);
    EXPECT_FALSE(QFile::exists(project + ".lock"));
}

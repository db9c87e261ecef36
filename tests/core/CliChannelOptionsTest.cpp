// tamsor-cli add-channel and set-channel with a channel's read options, run as a program.
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include "CliProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

class CliChannelOptions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_project = m_dir.filePath("p.zop");
        ASSERT_EQ(Run({"new", m_project}).exitCode, 0);
    }

    CliRun Run(const QStringList& arguments)
    {
        return RunTamsorCli(m_dir.filePath("config"), arguments);
    }

    QJsonObject Channel(int i)
    {
        const CliRun info = Run({"info", m_project, "--json"});
        EXPECT_EQ(info.exitCode, 0) << info.err.toStdString();
        return QJsonDocument::fromJson(info.out.toUtf8())["Channels"].toArray()[i].toObject();
    }

    QByteArray ProjectBytes()
    {
        QFile file(m_project);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QString m_project;
};

} // namespace

TEST_F(CliChannelOptions, AddAndSetStoreTheOptions)
{
    CliRun run = Run({"add-channel", m_project, "--tcp", "10.0.0.5", "--defined-only",
                      "--block-registers", "125", "--in-flight", "8"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(
        run.out.contains("defined areas only, 125 registers a request, 8 requests in flight"))
        << run.out.toStdString();
    QJsonObject channel = Channel(0);
    EXPECT_EQ(channel["DefinedOnly"].toBool(), true);
    EXPECT_EQ(channel["BlockRegisters"].toInt(), 125);
    EXPECT_EQ(channel["InFlight"].toInt(), 8);

    run = Run({"set-channel", m_project, "1", "--all-registers", "--in-flight", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    channel = Channel(0);
    EXPECT_EQ(channel["DefinedOnly"].toBool(), false);
    EXPECT_EQ(channel["BlockRegisters"].toInt(), 125);
    EXPECT_EQ(channel["InFlight"].toInt(), 1);

    ASSERT_EQ(Run({"add-channel", m_project, "--serial", "ttyUSB0"}).exitCode, 0);
    EXPECT_EQ(Channel(1)["BlockRegisters"].toInt(), 64);
    EXPECT_EQ(Channel(1)["DefinedOnly"].toBool(), false);
}

TEST_F(CliChannelOptions, OptionsThatCannotApplyAreRefusedAndTheProjectStays)
{
    ASSERT_EQ(Run({"add-channel", m_project, "--tcp", "10.0.0.5"}).exitCode, 0);
    ASSERT_EQ(Run({"add-channel", m_project, "--serial", "ttyUSB0"}).exitCode, 0);
    ASSERT_EQ(Run({"add-channel", m_project, "--file", m_dir.filePath("dump.bin")}).exitCode, 0);
    const QByteArray before = ProjectBytes();
    struct Case {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{"1", "--block-registers", "126"}, "--block-registers must be a number from 64 to 125"},
        {{"1", "--block-registers", "32"}, "--block-registers must be a number from 64 to 125"},
        {{"1", "--in-flight", "0"}, "--in-flight must be a number from 1 to 16"},
        {{"1", "--in-flight", "17"}, "--in-flight must be a number from 1 to 16"},
        {{"1", "--defined-only", "--all-registers"}, "not both"},
        {{"2", "--in-flight", "4"}, "--in-flight applies to TCP channels"},
        {{"3", "--defined-only"}, "a register-file channel loads the whole file"},
        {{"4", "--defined-only"}, "the project has no channel 4"},
    };
    for (const Case& c : cases) {
        const CliRun run = Run(QStringList{"set-channel", m_project} + c.arguments);
        EXPECT_EQ(run.exitCode, 1) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
    }
    EXPECT_EQ(Run({"set-channel", m_project, "1"}).exitCode, 2) << "no option given";
    const CliRun refused = Run({"add-channel", m_project, "--serial", "ttyS1", "--in-flight", "2"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(ProjectBytes(), before);
}

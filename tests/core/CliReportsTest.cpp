// tamsor-cli export and decode, run as programs on a copy of the demo.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

struct CliRun {
    int exitCode = -1;
    QStringList outLines;
    QString err;
};

CliRun RunCli(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(TAMSOR_BIN_DIR "/tamsor-cli"),
                  QStringList{"--lang", "1033"} + arguments);
    CliRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitCode();
    run.outLines =
        QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QStringList FilesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}

class CliReports : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"demo.zop", "demo.bin", "demo.def"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(TAMSOR_SOURCE_DIR "/examples/") + name,
                                    dir.filePath(name)));
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(CliReports, ExportWritesTheStationTreeAfterARead)
{
    const QString project = dir.filePath("demo.zop");
    const QString out = dir.filePath("reports");
    const CliRun unread = RunCli({"export", project, "--out", out});
    EXPECT_EQ(unread.exitCode, 0);
    EXPECT_TRUE(unread.err.contains("never been read")) << qPrintable(unread.err);
    EXPECT_TRUE(unread.outLines.isEmpty());

    ASSERT_EQ(RunCli({"read", project}).exitCode, 0);
    const CliRun run = RunCli({"export", project, "1/1", "--out", out});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    const QStringList files = FilesUnder(out);
    ASSERT_EQ(files.size(), 8); // 3 recipes, 4 data records, the alarm history
    EXPECT_EQ(run.outLines.size(), 8);
    for (const QString& file : files)
        EXPECT_TRUE(file.startsWith(u"demo/demo.bin [TP-300 demo panel]/")) << qPrintable(file);
    EXPECT_TRUE(files.filter(u"/Recipe(Bread dough)/").size() == 1);
    EXPECT_TRUE(files.filter(u"/Alarm/").size() == 1);
}

TEST_F(CliReports, DecodeLaysOutOneStationFolder)
{
    const QString out = dir.filePath("decoded");
    const CliRun run = RunCli({"decode", "--define", dir.filePath("demo.def"), "--image",
                               dir.filePath("demo.bin"), "--out", out});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    const QStringList files = FilesUnder(out);
    ASSERT_EQ(files.size(), 8);
    EXPECT_EQ(
        files.filter(QRegularExpression("^Data record\\(Oven temperatures\\)/[^/]+\\.txt$")).size(),
        1);

    QFile shortImage(dir.filePath("short.bin"));
    ASSERT_TRUE(shortImage.open(QIODevice::WriteOnly));
    shortImage.write(QByteArray(131071, '\0'));
    shortImage.close();
    const CliRun bad = RunCli({"decode", "--define", dir.filePath("demo.def"), "--image",
                               shortImage.fileName(), "--out", dir.filePath("bad")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains("131071 bytes")) << qPrintable(bad.err);
    EXPECT_FALSE(QDir(dir.filePath("bad")).exists());
}

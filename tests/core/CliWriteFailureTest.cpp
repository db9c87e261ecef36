// tamsor-cli on a disk that fills up: every command that writes says what failed, exits
// non-zero, and leaves the project as it was.
#include "CliProcess.h"
#include "FileSizeLimit.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <gtest/gtest.h>

namespace
{

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Letters that do not compress: a title that makes a new project larger than the limit.
QString IncompressibleTitle(int length)
{
    QString title;
    quint32 state = 12345;
    for (int i = 0; i < length; ++i) {
        state = state * 1103515245u + 12345u;
        title += QChar(u'a' + (state >> 16) % 26);
    }
    return title;
}

class CliWriteFailure : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"demo.zop", "demo.bin", "demo.def"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(TAMSOR_SOURCE_DIR "/examples/") + name,
                                    dir.filePath(name)));
        ASSERT_TRUE(QFile::copy(dir.filePath("demo.zop"), dir.filePath("read.zop")));
        ASSERT_EQ(Run({"read", dir.filePath("read.zop")}).exitCode, 0);
    }
    CliRun Run(const QStringList& arguments, rlim_t limit = RLIM_INFINITY)
    {
        return RunCli(dir.filePath("config"), arguments, [limit](QProcess& process) {
            if (limit != RLIM_INFINITY)
                FileSizeLimit::ApplyToChild(process, limit);
        });
    }
    // Files of the test folder that are empty: a failed write must not leave one.
    QStringList EmptyFiles() const
    {
        QStringList empty;
        QDirIterator it(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            if (it.fileInfo().size() == 0)
                empty << it.filePath();
        }
        return empty;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(CliWriteFailure, EveryCommandReportsTheFailureAndKeepsTheProject)
{
    const QString project = dir.filePath("demo.zop");
    const QString read = dir.filePath("read.zop");
    const QString tooLarge = QString::fromLocal8Bit(std::strerror(EFBIG));
    // Every project file here is larger than 1,000 bytes, and so are most reports of the demo.
    const struct {
        QStringList arguments;
        QString file; // the file that must stay as it was; empty: it must not come to exist
    } cases[] = {
        {{"new", dir.filePath("new.zop"), "--title", IncompressibleTitle(3000)}, {}},
        {{"add-channel", project, "--tcp", "10.0.0.1"}, project},
        {{"add-station", project, "1"}, project},
        {{"import-define", project, "1/1", dir.filePath("demo.def")}, project},
        {{"read", project}, project},
        {{"export", read, "--out", dir.filePath("export")}, read},
        {{"decode", "--define", dir.filePath("demo.def"), "--image", dir.filePath("demo.bin"),
          "--out", dir.filePath("decode")},
         {}},
    };
    CliRun decode;
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.arguments.first()));
        const QByteArray before = c.file.isEmpty() ? QByteArray() : ReadAll(c.file);
        const CliRun run = Run(c.arguments, 1000);
        if (c.arguments.first() == u"decode")
            decode = run;
        EXPECT_EQ(run.exitCode, 1) << qPrintable(run.out);
        EXPECT_TRUE(run.err.contains("Cannot create file \"" + dir.path()))
            << qPrintable(run.err);
        EXPECT_TRUE(run.err.contains(tooLarge)) << qPrintable(run.err);
        EXPECT_FALSE(run.out.contains("Added") || run.out.contains("Saved") ||
                     run.out.contains("Created") || run.out.contains("Imported"))
            << qPrintable(run.out);
        if (!c.file.isEmpty()) {
            EXPECT_EQ(ReadAll(c.file), before);
        }
        EXPECT_EQ(EmptyFiles(), QStringList());
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("new.zop")));

    // The demo's first three reports fit under the limit, the fourth does not: the message
    // names the three written before it.
    const qsizetype before = decode.err.indexOf("were written before:");
    ASSERT_GE(before, 0) << qPrintable(decode.err);
    EXPECT_EQ(decode.err.mid(before).count("\n  " + dir.filePath("decode/Recipe(")), 3);
}

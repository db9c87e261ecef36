// Files replaced whole or not at all: a write that fails, however late it shows, leaves the old
// file as it was and is reported with the system's reason.
#include "TamsorError.h"
#include "model/KivFileInf.h"
#include "model/KivSaveFile.h"
#include "model/KivTamsor.h"
#include "reports/KivReportFiles.h"

#include "FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <functional>
#include <gtest/gtest.h>

namespace
{

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void SaveProject(const QString& path, int stations)
{
    TKivTamsor root;
    root.Start();
    root.Title = QStringLiteral("Line 2");
    auto* channel = new TKivChannel(root.Channels.get());
    for (int i = 0; i < stations; ++i)
        new TKivStation(channel);
    WriteProjectFile(path, root);
}

void SaveTable(const QString& path, int lines)
{
    TKivTableText table;
    for (int i = 0; i < lines; ++i)
        table.AddRow({QString::number(i), QStringLiteral("a cell of the report")});
    table.SaveToFile(path);
}

void SaveBytes(const QString& path, int size)
{
    TKivSaveFile file(path);
    file.Write(QByteArray(size, 'x'));
    file.Commit();
}

} // namespace

TEST(SaveFile, AWriteThatFailsLeavesTheOldFileAndSaysWhy)
{
    // Each writer saves a small file, then a larger one that passes the file-size limit. The
    // small new files fail only when the data leaves the process; the large ones at once.
    const struct {
        const char* name;
        std::function<void(const QString&, int)> save;
        int oldSize;
        int newSize;
        rlim_t limit;
    } cases[] = {
        {"project, a little over the limit", SaveProject, 1, 2, 100},
        {"project, far over the limit", SaveProject, 1, 40, 400},
        {"report, a little over the limit", SaveTable, 1, 10, 200},
        {"report, far over the limit", SaveTable, 1, 5000, 4096},
        {"bytes, far over the limit", SaveBytes, 10, 1 << 20, 4096},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("target.file"));
        c.save(path, c.oldSize);
        const QByteArray old = ReadAll(path);
        ASSERT_FALSE(old.isEmpty());
        QString message;
        {
            FileSizeLimit limit(c.limit);
            try {
                c.save(path, c.newSize);
            } catch (const TamsorError& error) {
                message = error.message();
            }
        }
        EXPECT_EQ(message, QStringLiteral("Cannot create file \"%1\". %2")
                               .arg(path, QString::fromLocal8Bit(std::strerror(EFBIG))));
        EXPECT_EQ(ReadAll(path), old);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"target.file"}); // no temporary file left behind
    }
}

TEST(SaveFile, ReplacesWholeWhenEverythingIsWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("target.file"));
    SaveBytes(path, 5000);
    SaveBytes(path, 3);
    EXPECT_EQ(ReadAll(path), QByteArray("xxx"));

    {
        TKivSaveFile dropped(path); // never committed: the old file stays
        dropped.Write(QByteArray("new"));
    }
    EXPECT_EQ(ReadAll(path), QByteArray("xxx"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"target.file"});
}

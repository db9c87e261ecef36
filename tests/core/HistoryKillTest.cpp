// A read's history is written all or nothing, even when the writer is killed: a child process
// (this test program again) writes a read and stops at a point it announces, where it is
// killed with SIGKILL; the store then holds the read before it, or the whole read.
#include "history/HistoryQuery.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace
{

const char* const ChildVariable = "TAMSOR_HISTORY_KILL_CHILD"; // "STORE|STAGE"

// A ring of 30,000 entries of 16 registers with ticks from first on: big enough that the
// writer spills pages of its transaction into the log before it commits.
THistorySnapshot Ring(quint32 first)
{
    THistoryLogRing ring;
    ring.Def.Kind = THistoryKind::DataRecord;
    ring.Def.Name = QStringLiteral("Oven");
    ring.Def.Definition = R"({"columns":[{"format":4}]})";
    ring.Def.DefinitionHash = QStringLiteral("kill");
    ring.Valid = true;
    ring.Timed = true;
    for (quint32 tick = first; tick < first + 30000; ++tick) {
        THistoryLogEntry entry;
        entry.Tick = tick;
        entry.PanelTime = tick;
        entry.Raw = QByteArray(32, char(tick % 251));
        entry.ValuesHash = HistoryHash(entry.Raw);
        ring.Entries.push_back(std::move(entry));
    }
    THistorySnapshot snapshot;
    snapshot.Logs.push_back(std::move(ring));
    return snapshot;
}

THistoryStationInfo Station()
{
    return {QStringLiteral("station-1"), QStringLiteral("HMI-7"), 7, QStringLiteral("panel.bin"), 1};
}

QDateTime Collected(int read)
{
    return QDateTime(QDate(2026, 3, 1), QTime(read, 0), Qt::UTC);
}

// The reads and entries a store holds.
std::pair<qint64, qint64> Contents(const QString& path)
{
    THistoryStore store(path, THistoryStore::ExistingOnly);
    QSqlQuery query(store.Database());
    EXPECT_TRUE(query.exec("SELECT (SELECT COUNT(*) FROM read), (SELECT COUNT(*) FROM log_entry)"));
    EXPECT_TRUE(query.next());
    return {query.value(0).toLongLong(), query.value(1).toLongLong()};
}

} // namespace

// The child's part: runs only as the child the test below starts.
TEST(HistoryKill, Child)
{
    const QString task = qEnvironmentVariable(ChildVariable);
    if (task.isEmpty())
        GTEST_SKIP() << "runs as the child of HistoryKill.ReadIsWholeOrNothing";
    const QString path = task.section(u'|', 0, 0);
    const QString stop = task.section(u'|', 1);
    THistoryStore store(path);
    store.SetWriteProbe([&stop](const QString& stage) {
        if (stage != stop)
            return;
        std::printf("\nstopped at %s\n", qPrintable(stage));
        std::fflush(stdout);
        for (;;)
            ::pause(); // until the parent kills us
    });
    store.AddRead(Station(), Ring(10000), Collected(2));
}

TEST(HistoryKill, ReadIsWholeOrNothing)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("base.sqlite"));
    {
        THistoryStore store(base);
        ASSERT_EQ(store.AddRead(Station(), Ring(0), Collected(1)).EntriesAdded, 30000);
    }
    const std::pair<qint64, qint64> before{1, 30000};
    const std::pair<qint64, qint64> whole{2, 40000};
    const struct {
        const char* stage;
        std::pair<qint64, qint64> expected;
    } cases[] = {{"begun", before},   {"station", before}, {"entries", before},
                 {"recipes", before}, {"read", before},    {"committed", whole}};
    for (const auto& c : cases) {
        const QString path = dir.filePath(QStringLiteral("%1.sqlite").arg(c.stage));
        ASSERT_TRUE(QFile::copy(base, path));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(ChildVariable), path + u'|' + QLatin1String(c.stage));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=HistoryKill.Child")});
        // Test output comes first; the child's announcement is a line of its own.
        const QByteArray announcement = QByteArray("\nstopped at ") + c.stage + '\n';
        QByteArray said;
        while (!said.contains(announcement) && child.waitForReadyRead(60000))
            said += child.readAllStandardOutput();
        if (child.state() != QProcess::NotRunning && child.processId() > 0)
            ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(said.contains(announcement)) << said.data() << child.readAllStandardError().data();
        ASSERT_TRUE(child.waitForFinished(60000));
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

        EXPECT_EQ(Contents(path), c.expected) << c.stage;
        // The next read adds what the ring still holds.
        THistoryStore store(path);
        const THistoryReadResult next = store.AddRead(Station(), Ring(10000), Collected(3));
        EXPECT_EQ(next.EntriesAdded, c.expected == before ? 10000 : 0) << c.stage;
    }
}

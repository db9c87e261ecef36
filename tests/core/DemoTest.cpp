// The committed demo (examples/) decodes as intended: the register image matches the define
// file, the logs' headers pass their CRC, the rings and the alarm history have wrapped, and
// the project finds its register file beside itself.
#include "DecoderTestSupport.h"
#include "comm/ReadStation.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"
#include "reports/KivAlarmDecoder.h"
#include "reports/KivDataRecordDecoder.h"
#include "reports/KivRecipeDecoder.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

const QString examples = QStringLiteral(TAMSOR_SOURCE_DIR "/examples/");

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(Demo, ImageMatchesDefineFile)
{
    DecoderLanguage language;
    TKivStation station(nullptr);
    QString error;
    ASSERT_TRUE(station.ImportDefine(examples + "demo.def", &error)) << qPrintable(error);
    station.RegisterImage = ReadAll(examples + "demo.bin");
    ASSERT_EQ(station.RegisterImage.size(), RegisterImageSize);
    EXPECT_EQ(station.RegisterAt(ModelRegister), station.ModelID);
    EXPECT_EQ(station.RegisterAt(TimeOffsetRegister), 480);
    EXPECT_EQ(station.Recipes->Count(), 3);
    ASSERT_EQ(station.DataRecords->Count(), 4);

    const QList<quint32> entries{48, 23, 12, 30};
    for (int i = 0; i < entries.size(); ++i) {
        const TKivDataRecord* record = station.DataRecords->Items(i);
        ASSERT_EQ(record->EntryCount(), entries[i]) << qPrintable(record->Name);
        if (record->Tick == 0)
            continue;
        for (quint32 e = 1; e < entries[i]; ++e) // oldest first, also across the wrap
            EXPECT_LT(record->EntryTick(e - 1), record->EntryTick(e)) << e;
    }
    const auto rows =
        TableRows(TKivRecipeTable(*station.Recipes->Items(0), station.RegisterImage, 0));
    ASSERT_EQ(rows.size(), 8);
    EXPECT_EQ(rows[0].mid(1, 2), (QStringList{"25", "15"})) << "floats without decimals by default";

    ASSERT_EQ(station.Alarms->HistoryCount(), 40);
    for (int e = 1; e < 40; ++e)
        EXPECT_LT(station.Alarms->HistoryEntry(e - 1)->Time1,
                  station.Alarms->HistoryEntry(e)->Time1);
    const auto alarms = TableRows(TKivAlarmTable(*station.Alarms, station.RegisterImage, 0));
    EXPECT_EQ(alarms.last()[2], u" ") << "the newest alarm is still active";
}

TEST(Demo, ProjectFindsItsRegisterFile)
{
    TKivTamsor root;
    ASSERT_TRUE(ReadProjectFile(examples + "demo.zop", root));
    ASSERT_EQ(root.Channels->Count(), 1);
    const TKivChannel* channel = root.Channels->Items(0);
    EXPECT_EQ(channel->Type, TKivChannel::TypeRegisterFile);
    EXPECT_EQ(ResolveRegisterFileName(*channel, examples + "demo.zop"), examples + "demo.bin");
    ASSERT_EQ(channel->Stations.Count(), 1);
    const TKivStation* station = channel->Stations.Items(0);
    EXPECT_EQ(station->ModelName, u"TP-300 demo panel");
    EXPECT_EQ(station->Recipes->Count(), 3);
    EXPECT_EQ(station->UpdateTime, 0) << "left for tamsor-cli read to fill";
}

TEST(Demo, GeneratorReproducesTheCommittedFiles)
{
    const QString generator = QStringLiteral(TAMSOR_BIN_DIR "/make-demo");
    if (!QFile::exists(generator))
        GTEST_SKIP() << "make-demo is not built";
    QTemporaryDir dir;
    QProcess process;
    process.start(generator, {dir.path()});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    for (const char* name : {"demo.def", "demo.bin", "demo.zop"})
        EXPECT_EQ(ReadAll(dir.filePath(name)), ReadAll(examples + name)) << name;
}

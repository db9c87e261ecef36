// The project classes: defaults, captions, stations, and the project file.
#include "TamsorError.h"
#include "lang/KivLanRes.h"
#include "model/KivDateTime.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include "DecoderTestSupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <functional>
#include <optional>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

// Fills every stored field of every class with a value other than its default.
void BuildRichProject(TKivTamsor& root)
{
    root.Title = QStringLiteral("Line 2");
    root.Description = QStringLiteral("Two\r\nlines");
    root.Schedule = 1;
    auto* uart = new TKivChannel(root.Channels.get());
    uart->UartPort = QStringLiteral("ttyUSB0");
    uart->Baudrate = 9600;
    uart->DataBits = 2;
    uart->StopBit = 1;
    uart->Parity = 4;
    auto* tcp = new TKivChannel(root.Channels.get());
    tcp->Type = 1;
    tcp->Ip = QStringLiteral("192.168.1.7:1502");
    tcp->RegisterFileName = QStringLiteral("/kept/when/type/changes.bin");
    auto* file = new TKivChannel(root.Channels.get());
    file->Type = 2;
    file->RegisterFileName = QStringLiteral("/data/dump.bin");

    auto* station = new TKivStation(uart);
    station->StationNum = 17;
    station->ModelName = QStringLiteral("TP-01");
    station->ModelID = 0x1234;
    station->Description = QStringLiteral("not stored");
    station->ScheduleTime = 3600;
    station->ScheduleBase = 99;
    station->FailCount = 2;
    station->ReadStartTime = 5;
    station->UpdateTime = 45123.5123456789;
    for (int i = 0; i < RegisterImageSize; ++i)
        station->RegisterImage[i] = char((i * 7 + i / 256) & 0xFF);

    auto* recipe = new TKivRecipe(station->Recipes.get());
    recipe->Name = QStringLiteral("Bake");
    recipe->Register = 100;
    recipe->Count = 10;
    recipe->Capacity = 6;
    auto* column = new TKivRecipeItem(recipe->RecipeItems.get());
    column->Title = QStringLiteral("Temp");
    column->Format = 7;
    column->Width = 80;
    column->IntWidth = 6;
    column->FloatWidth = 2;
    column->Option = 0x102;

    auto* record = new TKivDataRecord(station->DataRecords.get());
    record->Name = QStringLiteral("Log");
    record->Format = 4;
    record->Register = 2000;
    record->Count = 50;
    record->Capacity = 3;
    record->Tick = 1;
    auto* tick = new TKivDataRecordItem(record->DataRecordItems.get());
    tick->Title = QStringLiteral("Time");
    tick->Format = 8;
    tick->Width = 120;
    tick->IntWidth = 5;
    tick->FloatWidth = 1;
    tick->Option = 0x101;
    tick->DisplayFormat = QStringLiteral("yyyy-mm-dd hh:nn");

    TKivAlarms& alarms = *station->Alarms;
    alarms.BackupAddr = 60000;
    alarms.BackupSpace = 500;
    alarms.Title1 = QStringLiteral("On");
    alarms.Title2 = QStringLiteral("Off");
    alarms.Title3 = QStringLiteral("Text");
    alarms.Tick1DisplayFormat = QStringLiteral("dd hh:nn");
    alarms.Tick2DisplayFormat = QStringLiteral("ss");
    alarms.DisplayWidth1 = 1;
    alarms.DisplayWidth2 = 2;
    alarms.DisplayWidth3 = 3;
    auto* alarm = new TKivAlarm(&alarms);
    alarm->Name = QStringLiteral("Overheat");
    alarm->Group = 3;
    alarm->Message = {QStringLiteral("a, b"), QStringLiteral("\"quoted\""), QStringLiteral("  lead"),
                      QString(), QStringLiteral("end,")};
    auto* blank = new TKivAlarm(&alarms);
    blank->Message = QStringList(16, QString());
    new TKivStation(tcp);
}

QByteArray Encode(TKivTamsor& root) { return EncodeProjectFile(root); }

QByteArray Deflated(const QByteArray& body)
{
    uLongf size = compressBound(uLong(body.size()));
    QByteArray out(qsizetype(size), '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size,
             reinterpret_cast<const Bytef*>(body.constData()), uLong(body.size()));
    out.resize(qsizetype(size));
    return out;
}

QByteArray Header() { return QByteArray::fromHex("7a6f7030" "0b000000") + QByteArray::fromHex(
    "54004b0069007600460069006c00650049006e006600" "26000000" "00000000"); }

// A block with at most one entry, appended to out; its end position counts from out's start,
// as it does in a list stream and in an entry's data.
void AppendBlock(TKivStream& out, const QString& name, const QString& key = QString(),
                 const TKivStream& entry = TKivStream())
{
    WriteText(out, name);
    const qsizetype end = out.ReserveInt32();
    out.WriteInt32(key.isEmpty() ? 0 : 1);
    if (!key.isEmpty()) {
        WriteText(out, key);
        WriteBlock(out, entry);
    }
    out.PatchInt32(end, qint32(out.Position()));
}

// The project file of one channel holding count stations; station i holds a "StationNum"
// when number(i) gives one, and nothing at all otherwise.
QByteArray OneChannelFile(qint32 count, const std::function<std::optional<quint32>(int)>& number)
{
    const auto listEntry = [](const QString& name, qint32 items, const auto& item) {
        TKivStream list;
        WriteText(list, name);
        list.WriteInt32(items);
        for (int i = 0; i < items; ++i)
            item(list, i);
        TKivStream entry;
        entry.WriteUInt8(19);
        WriteBlock(entry, list);
        return entry;
    };
    const TKivStream stations = listEntry("TKivChannel", count, [&](TKivStream& out, int i) {
        TKivStream value;
        if (const auto n = number(i)) {
            value.WriteUInt8(7);
            value.WriteUInt32(*n);
        }
        AppendBlock(out, "TKivStation", value.Size() ? "StationNum" : QString(), value);
    });
    const TKivStream channels = listEntry("TKivChannels", 1, [&](TKivStream& out, int) {
        AppendBlock(out, "TKivChannel", "Channel", stations);
    });
    TKivStream channelsObject;
    channelsObject.WriteUInt8(18);
    AppendBlock(channelsObject, "TKivChannels", "Channels", channels);
    TKivStream root;
    AppendBlock(root, "TKivTamsor", "Channels", channelsObject);
    return Header() + Deflated(root.TakeBytes());
}

QString ErrorOf(const QByteArray& file)
{
    TKivTamsor root;
    try {
        DecodeProjectFile(file, root);
    } catch (const TamsorError& e) {
        EXPECT_FALSE(root.Opened);
        EXPECT_EQ(root.Channels->Count(), 0);
        return e.message();
    }
    return QStringLiteral("(loaded)");
}

} // namespace

TEST(Project, NewObjectsHaveTheirDefaults)
{
    TKivTamsor root;
    EXPECT_FALSE(root.Opened);
    auto* channel = new TKivChannel(root.Channels.get());
    EXPECT_EQ(channel->Type, 0);
    EXPECT_EQ(channel->Baudrate, 115200);
    EXPECT_EQ(channel->DataBits, 3);
    EXPECT_EQ(channel->StopBit, 0);
    EXPECT_EQ(channel->Parity, 0);
    EXPECT_EQ(channel->GetCaption(), GetLangString(2001));
    channel->UartPort = QStringLiteral("COM1");
    EXPECT_EQ(channel->GetCaption(), QStringLiteral("COM1 [115200,N,8,1]"));
    channel->Parity = 9;
    EXPECT_EQ(channel->GetCaption(), QStringLiteral("COM1 [115200,?,8,1]"));
    channel->Type = 1;
    EXPECT_EQ(channel->GetCaption(), GetLangString(2002));
    channel->Ip = QStringLiteral("10.1.1.1");
    EXPECT_EQ(channel->GetCaption(), QStringLiteral("10.1.1.1"));
    channel->Type = 2;
    EXPECT_EQ(channel->GetCaption(), GetLangString(2003));

    auto* station = new TKivStation(channel);
    EXPECT_EQ(station->StationNum, 0u);
    EXPECT_EQ(station->ScheduleTime, 86400u);
    EXPECT_EQ(station->RegisterImage, QByteArray(RegisterImageSize, '\0'));
    EXPECT_EQ(station->UpdateTime, 0.0);
    EXPECT_EQ(station->GetCaption(), GetLangString(1120));
    station->ModelName = QStringLiteral("TP-01");
    station->Description = QStringLiteral("Line 1");
    EXPECT_EQ(station->GetCaption(), QStringLiteral("TP-01 : Line 1"));
    EXPECT_EQ(station->Alarms->Tick1DisplayFormat, QStringLiteral("hh:mm:ss"));
    EXPECT_EQ(station->Alarms->DisplayWidth3, 144u);
    EXPECT_EQ(station->Alarms->GetCaption(), QStringLiteral("Alarm"));
    auto* item = new TKivRecipeItem((new TKivRecipe(station->Recipes.get()))->RecipeItems.get());
    EXPECT_EQ(item->IntWidth, 4);
    auto* column =
        new TKivDataRecordItem((new TKivDataRecord(station->DataRecords.get()))->DataRecordItems.get());
    EXPECT_EQ(column->DisplayFormat, QStringLiteral("hh:mm:ss"));
}

TEST(Project, ChannelTypesOutsideTheKnownOnesShowAQuestionMark)
{
    TKivChannels channels;
    TKivChannel channel(&channels);
    for (const qint32 type : {3, 12, -1, -2001, INT_MAX, INT_MIN}) {
        channel.Type = type;
        EXPECT_EQ(channel.GetCaption(), QStringLiteral("?")) << type;
    }
}

TEST(Project, StationNumbersAndScheduleBase)
{
    TKivTamsor root;
    auto* channel = new TKivChannel(root.Channels.get());
    for (int i = 0; i < 4; ++i)
        new TKivStation(channel);
    delete channel->FindStation(2);
    EXPECT_EQ(channel->FirstFreeStationNum(), 2u);
    EXPECT_EQ((new TKivStation(channel))->StationNum, 2u);
    while (channel->Stations.Count() < 256)
        new TKivStation(channel);
    EXPECT_EQ(channel->FindStation(255)->StationNum, 255u);
    EXPECT_EQ(channel->FirstFreeStationNum(), 0u);
    EXPECT_EQ((new TKivStation(channel))->StationNum, 0u);

    root.SetScheduleBase(1234);
    for (TKivStation* station : channel->Stations)
        EXPECT_EQ(station->ScheduleBase, 1234u);
    root.Start();
    EXPECT_TRUE(root.Opened);
    EXPECT_EQ(root.Channels->Count(), 1);
    root.Close();
    EXPECT_FALSE(root.Opened);
    EXPECT_EQ(root.Channels->Count(), 0);
}

TEST(ProjectFile, EveryFieldSurvivesSavingAndLoading)
{
    TKivTamsor saved;
    BuildRichProject(saved);
    const QByteArray file = Encode(saved);
    EXPECT_EQ(Encode(saved), file); // deterministic
    EXPECT_TRUE(file.startsWith(Header() + QByteArray::fromHex("789c")));

    TKivTamsor root;
    ASSERT_TRUE(DecodeProjectFile(file, root));
    EXPECT_TRUE(root.Opened);
    EXPECT_EQ(root.Schedule, 0u);
    EXPECT_EQ(root.Title, saved.Title);
    EXPECT_EQ(root.Description, saved.Description);
    ASSERT_EQ(root.Channels->Count(), 3);
    for (int c = 0; c < 3; ++c) {
        const TKivChannel* a = saved.Channels->Items(c);
        const TKivChannel* b = root.Channels->Items(c);
        EXPECT_EQ(b->Owner, root.Channels.get());
        EXPECT_EQ(std::tie(a->Type, a->UartPort, a->Baudrate, a->DataBits, a->StopBit, a->Parity,
                           a->Ip, a->RegisterFileName),
                  std::tie(b->Type, b->UartPort, b->Baudrate, b->DataBits, b->StopBit, b->Parity,
                           b->Ip, b->RegisterFileName));
        EXPECT_EQ(a->Stations.Count(), b->Stations.Count());
    }
    const TKivStation* a = saved.Channels->Items(0)->Stations.Items(0);
    const TKivStation* b = root.Channels->Items(0)->Stations.Items(0);
    EXPECT_EQ(std::tie(a->StationNum, a->ModelName, a->ModelID, a->ScheduleTime),
              std::tie(b->StationNum, b->ModelName, b->ModelID, b->ScheduleTime));
    EXPECT_EQ(b->Description, QString());
    EXPECT_EQ(std::tie(b->ScheduleBase, b->FailCount, b->ReadStartTime), std::make_tuple(0u, 0u, 0u));
    EXPECT_EQ(std::memcmp(&a->UpdateTime, &b->UpdateTime, 8), 0);
    EXPECT_EQ(a->RegisterImage, b->RegisterImage);
    EXPECT_EQ(b->GetCaption(), QStringLiteral("TP-01"));

    const TKivRecipe* ra = a->Recipes->Items(0);
    const TKivRecipe* rb = b->Recipes->Items(0);
    EXPECT_EQ(std::tie(ra->Name, ra->Register, ra->Count, ra->Capacity),
              std::tie(rb->Name, rb->Register, rb->Count, rb->Capacity));
    const TKivRecipeItem* ca = ra->RecipeItems->Items(0);
    const TKivRecipeItem* cb = rb->RecipeItems->Items(0);
    EXPECT_EQ(std::tie(ca->Title, ca->Format, ca->Width, ca->IntWidth, ca->FloatWidth, ca->Option),
              std::tie(cb->Title, cb->Format, cb->Width, cb->IntWidth, cb->FloatWidth, cb->Option));

    const TKivDataRecord* da = a->DataRecords->Items(0);
    const TKivDataRecord* db = b->DataRecords->Items(0);
    EXPECT_EQ(std::tie(da->Name, da->Format, da->Register, da->Count, da->Capacity, da->Tick),
              std::tie(db->Name, db->Format, db->Register, db->Count, db->Capacity, db->Tick));
    const TKivDataRecordItem* ta = da->DataRecordItems->Items(0);
    const TKivDataRecordItem* tb = db->DataRecordItems->Items(0);
    EXPECT_EQ(std::tie(ta->Title, ta->Format, ta->Width, ta->IntWidth, ta->FloatWidth, ta->Option,
                       ta->DisplayFormat),
              std::tie(tb->Title, tb->Format, tb->Width, tb->IntWidth, tb->FloatWidth, tb->Option,
                       tb->DisplayFormat));

    const TKivAlarms& aa = *a->Alarms;
    const TKivAlarms& ab = *b->Alarms;
    EXPECT_EQ(std::tie(aa.BackupAddr, aa.BackupSpace, aa.Title1, aa.Title2, aa.Title3,
                       aa.Tick1DisplayFormat, aa.Tick2DisplayFormat, aa.DisplayWidth1,
                       aa.DisplayWidth2, aa.DisplayWidth3),
              std::tie(ab.BackupAddr, ab.BackupSpace, ab.Title1, ab.Title2, ab.Title3,
                       ab.Tick1DisplayFormat, ab.Tick2DisplayFormat, ab.DisplayWidth1,
                       ab.DisplayWidth2, ab.DisplayWidth3));
    ASSERT_EQ(ab.Count(), 2);
    EXPECT_EQ(std::tie(aa.Items(0)->Name, aa.Items(0)->Group, aa.Items(0)->Message),
              std::tie(ab.Items(0)->Name, ab.Items(0)->Group, ab.Items(0)->Message));
    EXPECT_EQ(ab.Items(1)->Message, QStringList(16, QString()));

    // A station loaded without a stored number first takes the lowest free one: unchanged here.
    EXPECT_EQ(root.Channels->Items(1)->Stations.Items(0)->StationNum, 0u);
    root.Schedule = 1;
    EXPECT_EQ(root.Compare(saved), 0);
}

TEST(ProjectFile, EmptyTickFormatsAndWrongImageLengthsLoadAsDefaults)
{
    for (int length : {0, 1, RegisterImageSize - 1, RegisterImageSize + 1}) {
        TKivTamsor root;
        auto* station = new TKivStation(new TKivChannel(root.Channels.get()));
        station->UpdateTime = 44000.25;
        station->Alarms->Tick2DisplayFormat.clear();
        // Save with an image of the wrong length: every length but the full one loads as zeros.
        station->RegisterImage = QByteArray(length, '\x5A');
        TKivTamsor loaded;
        ASSERT_TRUE(DecodeProjectFile(Encode(root), loaded));
        const TKivStation* back = loaded.Channels->Items(0)->Stations.Items(0);
        EXPECT_EQ(back->RegisterImage, QByteArray(RegisterImageSize, '\0')) << length;
        EXPECT_EQ(back->UpdateTime, 44000.25);
        EXPECT_EQ(back->Alarms->Tick2DisplayFormat, QStringLiteral("hh:mm:ss"));
    }
}

TEST(ProjectFile, FileLevelEdgeCases)
{
    TKivTamsor empty;
    const QByteArray file = Encode(empty);
    const QByteArray body = [] {
        TKivTamsor root;
        TKivStream stream;
        root.SerializeStream(1, stream);
        return stream.Bytes();
    }();
    EXPECT_EQ(file, Header() + Deflated(body));

    TKivTamsor root;
    EXPECT_TRUE(DecodeProjectFile(file + "trailing bytes", root));
    EXPECT_TRUE(root.Opened);
    EXPECT_EQ(root.Channels->Count(), 0);

    TKivTamsor untouched;
    untouched.Title = QStringLiteral("keep");
    EXPECT_FALSE(DecodeProjectFile("ZOP0" + file.mid(4), untouched));
    EXPECT_EQ(untouched.Title, QStringLiteral("keep"));

    // A file-information block of another class with an entry is skipped through its end.
    const QByteArray foreign = QByteArray("zop0") + QByteArray::fromHex("03000000410042004300" "18000000") +
              QByteArray("\x01\x02\x03\x04\x05\x06", 6) + Deflated(body);
    EXPECT_TRUE(DecodeProjectFile(foreign, root));

    EXPECT_EQ(ErrorOf(QByteArray()), QStringLiteral("Stream read error"));
    EXPECT_EQ(ErrorOf("zop"), QStringLiteral("Stream read error"));
    EXPECT_EQ(ErrorOf(Header() + "not zlib data"), QStringLiteral("incorrect header check"));
    // A root block whose length fields claim 2 GB inside a tiny body.
    QByteArray bogus = body;
    bogus.replace(0, 4, QByteArray::fromHex("ffffff7f"));
    EXPECT_EQ(ErrorOf(Header() + Deflated(bogus)), QStringLiteral("Stream read error"));
    // A root block whose end position lies past the body, though every entry is there.
    QByteArray longEnd = body;
    qToLittleEndian<qint32>(qint32(body.size() + 1), longEnd.data() + 24);
    EXPECT_EQ(ErrorOf(Header() + Deflated(longEnd)), QStringLiteral("Stream read error"));
    // A damaged root block in a long body whose zlib stream is damaged at its end: zlib's error
    // is the one reported, although the block fails to read long before.
    QByteArray badCheck = Deflated(bogus + QByteArray(200000, 'x'));
    badCheck[badCheck.size() - 1] = char(badCheck.back() ^ 1);
    EXPECT_EQ(ErrorOf(Header() + badCheck), QStringLiteral("incorrect data check"));
}

TEST(ProjectFile, SavedBytesStayTheSame)
{
    // Several stations with images, definitions and alarms, so that the nested blocks, lists
    // and end positions of every level are covered. The hash pins the stored format.
    TKivTamsor saved;
    BuildRichProject(saved);
    TKivChannel* tcp = saved.Channels->Items(1);
    for (int s = 0; s < 3; ++s) {
        auto* station = new TKivStation(tcp);
        station->ModelName = QStringLiteral("TP-%1").arg(s);
        for (int i = 0; i < RegisterImageSize; i += 3)
            station->RegisterImage[i] = char((i / 5 + s) & 0xFF);
        (new TKivRecipe(station->Recipes.get()))->Name = QStringLiteral("R%1").arg(s);
    }
    TKivStream bodyStream;
    saved.SerializeStream(1, bodyStream);
    const QByteArray body = bodyStream.Bytes();
    EXPECT_EQ(body.size(), 663494);
    EXPECT_EQ(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex().toStdString(),
              "282dc3195de49df78e3d83f02f70d6377837d58de4bf0d1fd36f2bf02812d2ec");
    EXPECT_EQ(Encode(saved), Header() + Deflated(body));
}

TEST(ProjectFile, HistoryKeysAreStoredOnlyWhenSet)
{
    TKivTamsor saved;
    BuildRichProject(saved);
    const QByteArray plain = Encode(saved);
    TKivStation* station = saved.Channels->Items(0)->Stations.Items(0);
    const struct {
        QString file;
        bool off;
        QString key;
    } cases[] = {{QStringLiteral("../history/plant.sqlite"), false, QString()},
                 {QString(), true, QString()},
                 {QString(), false, QStringLiteral("5a0f7c5e-1d2b-4c39-9a57-0d1e2f3a4b5c")}};
    for (const auto& c : cases) {
        saved.HistoryFile = c.file;
        saved.HistoryOff = c.off;
        station->StationKey = c.key;
        const QByteArray file = Encode(saved);
        EXPECT_NE(file, plain);
        TKivTamsor loaded;
        ASSERT_TRUE(DecodeProjectFile(file, loaded));
        EXPECT_EQ(loaded.HistoryFile, c.file);
        EXPECT_EQ(loaded.HistoryOff, c.off);
        EXPECT_EQ(loaded.Channels->Items(0)->Stations.Items(0)->StationKey, c.key);
        // Replacing the open project takes the keys along and leaves the old one at defaults.
        TKivTamsor open;
        open.TakeProjectFrom(loaded);
        EXPECT_EQ(std::tie(open.HistoryFile, open.HistoryOff), std::tie(c.file, c.off));
        EXPECT_EQ(std::tie(loaded.HistoryFile, loaded.HistoryOff), std::make_tuple(QString(), false));
    }
    saved.HistoryFile.clear();
    saved.HistoryOff = false;
    station->StationKey.clear();
    EXPECT_EQ(Encode(saved), plain);
}

TEST(ProjectFile, TheDemoProjectLoadsAndSavesByteForByte)
{
    QFile demo(QStringLiteral(TAMSOR_SOURCE_DIR "/examples/demo.zop"));
    ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
    const QByteArray file = demo.readAll();
    TKivTamsor root;
    ASSERT_TRUE(DecodeProjectFile(file, root));
    EXPECT_EQ(Encode(root), file);
}

TEST(ProjectFile, EveryCutFailsCleanly)
{
    TKivTamsor saved;
    BuildRichProject(saved);
    const QByteArray file = Encode(saved);
    TKivStream bodyStream;
    saved.SerializeStream(1, bodyStream);
    const QByteArray body = bodyStream.Bytes();

    // Cuts in the header and the compressed stream.
    for (qsizetype cut = 0; cut < file.size(); cut += (cut < 64 ? 1 : 97)) {
        const QString expected = cut < 38 ? QStringLiteral("Stream read error")
                                          : QStringLiteral("buffer error");
        EXPECT_EQ(ErrorOf(file.left(cut)), expected) << cut;
    }
    // Cuts of the inflated body, compressed whole: the damage is inside the root block.
    for (qsizetype cut = 0; cut < body.size(); cut += (cut < 2000 ? 7 : 4099))
        EXPECT_EQ(ErrorOf(Header() + Deflated(body.left(cut))), QStringLiteral("Stream read error"))
            << cut;
}

TEST(ProjectFile, ANulInAStoredListLoads)
{
    // A file whose alarm lines are stored as the comma text a, NUL, b.
    TKivTamsor root;
    auto* station = new TKivStation(new TKivChannel(root.Channels.get()));
    (new TKivAlarm(station->Alarms.get()))->Message = QStringList{QStringLiteral("a~b")};
    TKivStream body;
    root.SerializeStream(TKivSerialization::Save, body);
    QByteArray bytes = body.TakeBytes();
    const QByteArray stored("a\0~\0b\0", 6);
    ASSERT_EQ(bytes.count(stored), 1);
    bytes.replace(stored, QByteArray("a\0\0\0b\0", 6));

    TKivTamsor loaded;
    ASSERT_TRUE(DecodeProjectFile(Header() + Deflated(bytes), loaded));
    const TKivAlarms& alarms = *loaded.Channels->Items(0)->Stations.Items(0)->Alarms;
    ASSERT_EQ(alarms.Count(), 1);
    EXPECT_EQ(alarms.Items(0)->Message, (QStringList{"a", "b"}));
}

TEST(ProjectFile, StationsWithoutANumberTakeTheLowestFreeOneAsTheyLoad)
{
    // Stored numbers: none, 1, none, 0, 300, none, ... : each station without one takes the
    // lowest number that the stations before it leave free, as a new station would.
    const std::optional<quint32> stored[] = {std::nullopt, 1, std::nullopt, 0, 300};
    const auto number = [&](int i) { return i < 5 ? stored[i] : std::nullopt; };
    TKivTamsor root;
    ASSERT_TRUE(DecodeProjectFile(OneChannelFile(300, number), root));
    const TKivChannel& channel = *root.Channels->Items(0);
    ASSERT_EQ(channel.Stations.Count(), 300);
    const quint32 expected[] = {0, 1, 2, 0, 300, 3, 4};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(channel.Stations.Items(i)->StationNum, expected[i]) << i;
    EXPECT_EQ(channel.Stations.Items(257)->StationNum, 255u);
    EXPECT_EQ(channel.Stations.Items(258)->StationNum, 0u) << "all numbers in use";
    EXPECT_EQ(channel.Stations.Items(299)->StationNum, 0u);
}

TEST(ProjectFile, AFileOfMoreObjectsThanAnyProjectIsRefusedUnread)
{
    DecoderLanguage language("STR09367=more than %d objects\n");
    // The channel and its stations are one more than the bound: refused before the first
    // station is made.
    const auto none = [](int) { return std::optional<quint32>(); };
    EXPECT_EQ(ErrorOf(OneChannelFile(qint32(MaxLoadedListItems), none)),
              u"more than 2097152 objects");
}

TEST(ProjectFile, SavingIsAtomicAndReportsFailures)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plant.zop"));
    TKivTamsor root;
    BuildRichProject(root);
    WriteProjectFile(path, root);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), Encode(root));
    file.close();

    TKivTamsor loaded;
    ASSERT_TRUE(ReadProjectFile(path, loaded));
    EXPECT_EQ(loaded.Channels->Count(), 3);

    const QString missing = dir.filePath(QStringLiteral("none/x.zop"));
    try {
        WriteProjectFile(missing, root);
        ADD_FAILURE();
    } catch (const TamsorError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(missing)));
    }
    try {
        ReadProjectFile(missing, loaded);
        ADD_FAILURE();
    } catch (const TamsorError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(missing)));
    }
    EXPECT_EQ(loaded.Channels->Count(), 3); // a failed read leaves the project as it was
}

TEST(DateTime, KivTimesConvertBothWays)
{
    const QDateTime noon(QDate(2023, 7, 14), QTime(12, 0));
    EXPECT_DOUBLE_EQ(ToKivTime(noon), 45121.5);
    EXPECT_EQ(FromKivTime(45121.5), noon);
    EXPECT_EQ(FromKivTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_FALSE(FromKivTime(1e300).isValid());
}

// Object blocks, value entries, nested lists and comma text.
#include "TamsorError.h"
#include "model/KivSerialization.h"
#include "model/KivCommaText.h"
#include "model/KivTamsor.h"

#include <gtest/gtest.h>

namespace {

QByteArray Le32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xFF);
    return b;
}

QByteArray Text(const QString& s)
{
    QByteArray b = Le32(quint32(s.size()));
    for (QChar c : s)
        b += char(c.unicode() & 0xFF), b += char(c.unicode() >> 8);
    return b;
}

QByteArray Block(const QString& cls, const QList<QPair<QString, QByteArray>>& entries,
                 qsizetype startOffset = 0)
{
    QByteArray body = Le32(quint32(entries.size()));
    for (const auto& [key, data] : entries)
        body += Text(key) + Le32(quint32(data.size())) + data;
    const QByteArray head = Text(cls);
    return head + Le32(quint32(startOffset + head.size() + 4 + body.size())) + body;
}

QByteArray Tagged(quint8 tag, const QByteArray& payload) { return QByteArray(1, char(tag)) + payload; }

QByteArray Save(TKivPersistent& object)
{
    TKivStream stream;
    object.SerializeStream(1, stream);
    return stream.Bytes();
}

void Load(TKivPersistent& object, const QByteArray& bytes)
{
    TKivStream stream(bytes);
    object.SerializeStream(0, stream);
}

// A small object with one value of every kind.
class Sample : public TKivPersistent {
public:
    QString ClassName() const override { return QStringLiteral("TSample"); }
    void Serialize(TKivSerialization& s) override
    {
        s.ValueInt32(QStringLiteral("I"), i);
        s.ValueUInt32(QStringLiteral("U"), u);
        s.ValueDouble(QStringLiteral("D"), d);
        s.ValueString(QStringLiteral("S"), text);
        s.ValueStrings(QStringLiteral("L"), lines);
        s.ValueMemory(QStringLiteral("M"), memory);
    }
    qint32 i = -5;
    quint32 u = 7;
    double d = 1.5;
    QString text = QStringLiteral("default");
    QStringList lines;
    TKivStream memory;
};

} // namespace

TEST(ObjectBlock, RootOfWorkedExampleIsByteForByte)
{
    TKivTamsor root;
    root.Title = QStringLiteral("Plant");
    const QByteArray listStream = Text(QStringLiteral("TKivChannels")) + Le32(0);
    const QByteArray channels =
        Tagged(18, Block(QStringLiteral("TKivChannels"),
                         {{QStringLiteral("Channels"), Tagged(19, Le32(32) + listStream)}}, 1));
    const QByteArray expected =
        Block(QStringLiteral("TKivTamsor"), {{QStringLiteral("Channels"), channels},
                                             {QStringLiteral("Schedule"), Tagged(7, Le32(0))},
                                             {QStringLiteral("Title"), Tagged(15, Text("Plant"))}});
    const QByteArray saved = Save(root);
    ASSERT_EQ(saved.size(), 216);
    EXPECT_EQ(saved.toHex(' '), expected.toHex(' '));
    EXPECT_EQ(saved.mid(85, 4), Le32(98)); // nested end position counts from the tag byte
    EXPECT_EQ(Save(root), saved);
}

TEST(ObjectBlock, EveryValueKindRoundTripsAndEmptyTextsAreNotWritten)
{
    Sample a;
    a.i = -123456;
    a.u = 0xFFFFFFFF;
    a.d = 45123.456789;
    a.text = QStringLiteral("Grüße \"x\", 漢字");
    a.lines = {QStringLiteral(" lead"), QStringLiteral("a,b"), QStringLiteral("q\"q"), QString(),
               QStringLiteral("plain")};
    a.memory.Write(QByteArray("\0\1\2", 3));
    Sample b;
    Load(b, Save(a));
    EXPECT_EQ(b.i, a.i);
    EXPECT_EQ(b.u, a.u);
    EXPECT_EQ(b.d, a.d);
    EXPECT_EQ(b.text, a.text);
    EXPECT_EQ(b.lines, a.lines);
    EXPECT_EQ(b.memory.Bytes(), a.memory.Bytes());
    EXPECT_EQ(a.Compare(b), 0);

    Sample empty;
    empty.text.clear();
    Sample reader;
    Load(reader, Save(empty));
    EXPECT_EQ(reader.text, QStringLiteral("default")); // absent key keeps the default
    EXPECT_EQ(Save(empty).size(), Block("TSample", {{"D", Tagged(10, QByteArray(8, 0))},
                                                    {"I", Tagged(3, Le32(0))},
                                                    {"U", Tagged(7, Le32(0))}})
                                      .size());
}

TEST(ObjectBlock, TagMismatchAndUnknownKeysAreIgnored)
{
    // "I" written as tag 7 and "U" as tag 3: both ignored; "X" unknown; "s" matches without case.
    const QByteArray block = Block(QStringLiteral("tsample"),
                                   {{"I", Tagged(7, Le32(9))},
                                    {"U", Tagged(3, Le32(9))},
                                    {"X", Tagged(3, Le32(1))},
                                    {"s", Tagged(15, Text("lower"))},
                                    {"D", Tagged(10, QByteArray(4, 0))}}); // too short
    Sample s;
    Load(s, block);
    EXPECT_EQ(s.i, -5);
    EXPECT_EQ(s.u, 7u);
    EXPECT_EQ(s.d, 1.5);
    EXPECT_EQ(s.text, QStringLiteral("lower"));
}

TEST(ObjectBlock, BlockOfAnotherClassIsSkippedThroughItsEnd)
{
    for (const QString& other : {QStringLiteral("TSampleX"), QStringLiteral("TSamplf")}) {
        const QByteArray block = Block(other, {{"I", Tagged(3, Le32(42))}});
        TKivStream stream(block + "tail");
        Sample s;
        s.SerializeStream(0, stream);
        EXPECT_EQ(s.i, -5);
        EXPECT_EQ(stream.Position(), block.size());
    }
}

TEST(ObjectBlock, LaterDuplicateKeyWins)
{
    Sample s;
    Load(s, Block("TSample", {{"I", Tagged(3, Le32(1))}, {"i", Tagged(3, Le32(2))}}));
    EXPECT_EQ(s.i, 2);
}

TEST(ObjectBlock, DamagedDataFailsWithStreamReadError)
{
    const QByteArray good = Block("TSample", {{"I", Tagged(3, Le32(1))}});
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    QByteArray hugeText = Le32(0x7FFFFFFF) + QByteArray(1000, 'a');
    QByteArray negativeCount = Text("TSample") + Le32(22) + Le32(0xFFFFFFFF);
    QByteArray hugeCount = Text("TSample") + Le32(22) + Le32(100000000);
    QByteArray endBeforeHeader = Text("TOther") + Le32(0);
    QByteArray endPastData = Text("TOther") + Le32(5000);
    QByteArray hugeEntry = Text("TSample") + Le32(40) + Le32(1) + Text("I") + Le32(0x7FFFFFF0) +
                           QByteArray(10, 0);
    const Case cases[] = {{"empty", {}},
                          {"huge class name", hugeText},
                          {"negative entry count", negativeCount},
                          {"huge entry count", hugeCount},
                          {"end before header", endBeforeHeader},
                          {"end past data", endPastData},
                          {"huge entry length", hugeEntry}};
    for (const Case& c : cases) {
        Sample s;
        try {
            Load(s, c.bytes);
            ADD_FAILURE() << c.name << " loaded";
        } catch (const TamsorError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Stream read error")) << c.name;
        }
    }
    for (qsizetype cut = 0; cut < good.size(); ++cut) {
        Sample s;
        EXPECT_THROW(Load(s, good.left(cut)), TamsorError) << cut;
    }
}

TEST(NestedList, ListNamesCompareWithCaseClassNamesWithout)
{
    TKivChannels list;
    new TKivChannel(&list);
    auto* second = new TKivChannel(&list);
    second->Ip = QStringLiteral("10.0.0.2");
    const QByteArray saved = Save(list);

    TKivChannels reloaded;
    new TKivChannel(&reloaded);
    // Class name of the object block in other case: still read.
    QByteArray lowerClass = saved;
    lowerClass[4] = 't';
    Load(reloaded, lowerClass);
    ASSERT_EQ(reloaded.Count(), 2);
    EXPECT_EQ(reloaded.Items(1)->Ip, QStringLiteral("10.0.0.2"));

    // The list name inside differs in case only: the list is left as it was.
    TKivChannels kept;
    new TKivChannel(&kept);
    QByteArray renamed = saved;
    const QByteArray listName = Text("TKivChannels");
    const qsizetype at = renamed.lastIndexOf(listName);
    renamed.replace(at, listName.size(), Text("TKIVChannels"));
    Load(kept, renamed);
    EXPECT_EQ(kept.Count(), 1);

    // A list stored with no items empties the list.
    TKivChannels none;
    TKivChannels target;
    new TKivChannel(&target);
    Load(target, Save(none));
    EXPECT_EQ(target.Count(), 0);
}

TEST(NestedList, AbsentListKeyFailsAndImpossibleCountsFailAtOnce)
{
    TKivChannels list;
    EXPECT_THROW(Load(list, Block("TKivChannels", {})), TamsorError);
    const QByteArray countOnly = Text("TKivChannels") + Le32(2000000000);
    const QByteArray block = Block("TKivChannels", {{"Channels", Tagged(19, Le32(countOnly.size()) + countOnly)}});
    EXPECT_THROW(Load(list, block), TamsorError);
    EXPECT_EQ(list.Count(), 0);
}

TEST(CommaText, QuotingAndSplitting)
{
    struct Case {
        QStringList items;
        QString text;
    };
    const Case cases[] = {
        {{}, QString()},
        {{QString()}, QStringLiteral("\"\"")},
        {{"a", "b"}, QStringLiteral("a,b")},
        {{"a b", "c,d", "e\"f", ""}, QStringLiteral("\"a b\",\"c,d\",\"e\"\"f\",")},
        {{" lead", "tab\there"}, QStringLiteral("\" lead\",\"tab\there\"")},
        {QStringList(16, QString()), QString(15, QLatin1Char(','))},
        {{"", "x"}, QStringLiteral(",x")},
        {{QStringLiteral("a") + QChar(0) + u'b'}, QStringLiteral("\"a") + QChar(0) + QStringLiteral("b\"")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CommaText(c.items), c.text);
        EXPECT_EQ(FromCommaText(c.text), c.items) << c.text.toStdString();
    }
    EXPECT_EQ(FromCommaText(QStringLiteral(" a , b ")), (QStringList{"a", "b"}));
    // A NUL outside quotes (only a damaged or foreign file has one) separates like a blank.
    const QChar nul(0);
    EXPECT_EQ(FromCommaText(QStringLiteral("a") + nul + u'b'), (QStringList{"a", "b"}));
    EXPECT_EQ(FromCommaText(QString(nul) + nul + u'a' + nul + u',' + nul), QStringList{"a"});
    EXPECT_EQ(FromCommaText(QString(3, nul)), QStringList());
}

TEST(Lists, ClearDestroysOwnedItemsLastToFirstAndItemsLeaveOnDestruction)
{
    TKivChannels list;
    auto* a = new TKivChannel(&list);
    auto* b = new TKivChannel(&list);
    list.Add(b); // already present: not added twice
    EXPECT_EQ(list.Count(), 2);
    delete a;
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0), b);
    EXPECT_EQ(list.Items(1), nullptr);
    EXPECT_EQ(list.Items(-1), nullptr);

    TKivChannels other;
    TKivChannel foreign(&other);
    list.Add(&foreign); // not owned by list: Clear leaves it alive
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(other.Count(), 1);
}

TEST(Registration, ClassNamesFoundWithoutCase)
{
    EXPECT_EQ(FindKivClass(QStringLiteral("tkivstation")), QStringLiteral("TKivStation"));
    EXPECT_EQ(FindKivClass(QStringLiteral("TKivTamsor")), QStringLiteral("TKivTamsor"));
    EXPECT_TRUE(FindKivClass(QStringLiteral("TKivFoo")).isEmpty());
}

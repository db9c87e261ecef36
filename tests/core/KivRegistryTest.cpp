#include "LangTestFolder.h"
#include "TamsorError.h"
#include "lang/KivLangStartup.h"
#include "lang/KivLanRes.h"
#include "settings/KivRegistry.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <gtest/gtest.h>

namespace
{

using namespace KivSettings;

class RegistryTest : public ::testing::Test
{
protected:
    void writeStore(const QByteArray& ini)
    {
        QDir().mkpath(QFileInfo(TKivRegistry::StoreFileName()).path());
        QFile file(TKivRegistry::StoreFileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ini);
    }
    QByteArray storeBytes() const
    {
        QFile file(TKivRegistry::StoreFileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    LangTestFolder folder;
};

TEST_F(RegistryTest, StoreFollowsXdgConfigHome)
{
    EXPECT_TRUE(TKivRegistry::StoreFileName().startsWith(folder.configPath()));
}

TEST_F(RegistryTest, AbsentValuesKeepTheVariableAndWriteNothing)
{
    TKivRegistry registry(KeyPath, TKivRegistry::ModeRead);
    quint32 id = 1031;
    QString recent = QStringLiteral("keep");
    registry.ExchangeBinary(DefaultSubKey, LocalId, 4, &id);
    registry.ExchangeString(QString(), RecentProject, recent);
    EXPECT_EQ(id, 1031u);
    EXPECT_EQ(recent, QStringLiteral("keep"));
    EXPECT_FALSE(QFile::exists(TKivRegistry::StoreFileName()));
}

TEST_F(RegistryTest, WrittenValuesReadBackWithTheirTypes)
{
    TKivRegistry registry(KeyPath, TKivRegistry::ModeWrite);
    uchar bytes[4];
    qToLittleEndian<qint32>(2052, bytes);
    QString recent = QStringLiteral("/p/a, b.zop\r\n/p/c=d.zop\r\n");
    registry.ExchangeBinary(DefaultSubKey, LocalId, 4, bytes);
    registry.ExchangeString(QString(), RecentProject, recent);

    registry.Mode = TKivRegistry::ModeRead;
    uchar read[4] = {};
    QString readRecent;
    registry.ExchangeBinary(DefaultSubKey, LocalId, 4, read);
    registry.ExchangeString(QString(), RecentProject, readRecent);
    EXPECT_EQ(qFromLittleEndian<qint32>(read), 2052);
    EXPECT_EQ(readRecent, recent);
    // The key path and subkey are groups; the binary value stays binary.
    EXPECT_TRUE(storeBytes().contains("Default\\LocalID=@ByteArray(")) << storeBytes().constData();
}

TEST_F(RegistryTest, ShortBinaryValueFillsOnlyTheLowBytesOfThePreset)
{
    writeStore("[Software]\nKiv\\Tamsor\\v1.0\\Default\\LocalID=@ByteArray(\\x4\\b)\n");
    uchar bytes[4];
    qToLittleEndian<quint32>(0xAABBCCDD, bytes);
    TKivRegistry(KeyPath, TKivRegistry::ModeRead).ExchangeBinary(DefaultSubKey, LocalId, 4, bytes);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes), 0xAABB0804u);
}

TEST_F(RegistryTest, WrongTypeOrTooLongValueIsAnErrorNamingTheValue)
{
    struct Case {
        const char* ini;
        bool binary;
    };
    const Case cases[] = {
        {"[Software]\nKiv\\Tamsor\\v1.0\\Default\\LocalID=1041\n", true},
        {"[Software]\nKiv\\Tamsor\\v1.0\\Default\\LocalID=@ByteArray(12345)\n", true},
        {"[Software]\nKiv\\Tamsor\\v1.0\\RecentProject=@ByteArray(/a.zop)\n", false},
        {"[Software]\nKiv\\Tamsor\\v1.0\\RecentProject=1, 2\n", false},
    };
    for (const Case& c : cases) {
        writeStore(c.ini);
        TKivRegistry registry(KeyPath, TKivRegistry::ModeRead);
        quint32 id = 7;
        QString text = QStringLiteral("keep");
        try {
            if (c.binary)
                registry.ExchangeBinary(DefaultSubKey, LocalId, 4, &id);
            else
                registry.ExchangeString(QString(), RecentProject, text);
            ADD_FAILURE() << "no error for " << c.ini;
        } catch (const TamsorError& error) {
            EXPECT_TRUE(error.message().contains(c.binary ? LocalId : RecentProject))
                << qPrintable(error.message());
        }
        EXPECT_EQ(id, 7u);
        EXPECT_EQ(text, QStringLiteral("keep"));
    }
}

TEST_F(RegistryTest, OtherModesReadAndWriteNothing)
{
    writeStore("[Software]\nKiv\\Tamsor\\v1.0\\Default\\LocalID=wrong type\n");
    TKivRegistry registry(KeyPath, 2);
    quint32 id = 1033;
    QString text = QStringLiteral("x");
    registry.ExchangeBinary(DefaultSubKey, LocalId, 4, &id);
    registry.ExchangeString(QString(), RecentProject, text);
    EXPECT_EQ(id, 1033u);
    EXPECT_EQ(text, QStringLiteral("x"));
    EXPECT_EQ(storeBytes(),
              QByteArray("[Software]\nKiv\\Tamsor\\v1.0\\Default\\LocalID=wrong type\n"));
}

TEST_F(RegistryTest, StartUpWithABrokenLanguageChoiceFailsAndWritesNothing)
{
    folder.language(1033);
    const QByteArray broken =
        "[Software]\nKiv\\Tamsor\\v1.0\\Default\\LocalID=@ByteArray(123456)\n";
    writeStore(broken);
    try {
        StartLanguage(0, folder.path());
        ADD_FAILURE() << "start-up accepted a 6-byte LocalID";
    } catch (const TamsorError& error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("LocalID")));
    }
    EXPECT_EQ(storeBytes(), broken);

    // The desktop program asks for the problem instead: it starts in the system's language
    // (here, with only English installed, English) and warns.
    for (const QByteArray& damaged :
         {broken, QByteArray("[Software]\nKiv\\Tamsor\\v1.0\\Default\\LocalID=wrong type\n")}) {
        writeStore(damaged);
        QString problem;
        EXPECT_EQ(StartLanguage(0, folder.path(), &problem), 1033);
        EXPECT_TRUE(problem.contains(QStringLiteral("LocalID"))) << qPrintable(problem);
        EXPECT_EQ(storeBytes(), damaged);
    }
}

} // namespace

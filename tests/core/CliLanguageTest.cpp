// tamsor-cli with a stored language choice it cannot read: like the desktop program it warns,
// then goes on in the system's language, else English; the stored value is left alone.
#include "LangTestFolder.h"
#include "settings/KivRegistry.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace
{

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(CliLanguage, ADamagedStoredChoiceWarnsAndFallsBackToTheSystemLanguage)
{
    LangTestFolder settings; // XDG_CONFIG_HOME of this test and of the program it starts
    const QString store = TKivRegistry::StoreFileName();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(store).path()));
    const QByteArray damaged =
        "[Software]\nKiv\\Tamsor\\v1.0\\Default\\LocalID=@ByteArray(123456)\n";
    {
        QFile file(store);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }

    const struct {
        const char* systemLocale;
        QStringList options; // before the command
        const char* selected;
        const char* warning; // empty: none
    } cases[] = {
        {"de_DE.UTF-8", {}, "* 1031 ", "Die gespeicherte Sprachwahl kann nicht gelesen werden"},
        {"zh_TW.UTF-8", {}, "* 1028 ", "無法讀取已儲存的語言設定"},
        {"ja_JP.UTF-8", {}, "* 1033 ", "The stored language choice cannot be read"},
        {"C", {}, "* 1033 ", "The stored language choice cannot be read"},
        // A language given on the command line is used without reading the stored choice.
        {"de_DE.UTF-8", {"--lang", "2052"}, "* 2052 ", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.systemLocale + c.options.join(u' ').toStdString());
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANG", "LANGUAGE", "LC_MESSAGES", "LC_CTYPE"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("LC_ALL"), QLatin1String(c.systemLocale));
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(TAMSOR_BIN_DIR "/tamsor-cli"),
                  c.options + QStringList{QStringLiteral("languages")});
        ASSERT_TRUE(cli.waitForFinished(60000));
        const QString out = QString::fromUtf8(cli.readAllStandardOutput());
        const QString err = QString::fromUtf8(cli.readAllStandardError());
        EXPECT_EQ(cli.exitCode(), 0) << qPrintable(err);
        EXPECT_TRUE(out.contains(QLatin1String(c.selected))) << qPrintable(out);
        if (*c.warning) {
            EXPECT_TRUE(
                err.startsWith(QStringLiteral("tamsor-cli: ") + QString::fromUtf8(c.warning)))
                << qPrintable(err);
            EXPECT_TRUE(err.contains(QLatin1String("LocalID"))) << "says why: " << qPrintable(err);
        } else {
            EXPECT_TRUE(err.isEmpty()) << qPrintable(err);
        }
        EXPECT_EQ(ReadAll(store), damaged)
            << "the stored choice is left for the user to make again";
    }
}

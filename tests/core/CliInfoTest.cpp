// tamsor-cli info, run as a program: a read station shows its image's hash and register count,
// one never read says so.
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include "CliProcess.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

QString Sha256(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace

TEST(CliInfo, AReadStationShowsItsImageAndOneNeverReadSaysSo)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray read(RegisterImageSize, '\0');
    read[10] = '\x05';  // register 5
    read[201] = '\x80'; // register 100
    QByteArray storedWithoutTime(RegisterImageSize, '\0');
    storedWithoutTime[0] = '\x01';

    TKivTamsor root;
    root.Start();
    auto* channel = new TKivChannel(root.Channels.get());
    auto* readStation = new TKivStation(channel);
    readStation->RegisterImage = read;
    readStation->UpdateTime = 45000.5;
    new TKivStation(channel); // never read: the project stores its zeros
    (new TKivStation(channel))->RegisterImage = storedWithoutTime;
    const QString project = dir.filePath("p.zop");
    WriteProjectFile(project, root);

    const struct {
        QString text; // the end of the station's UpdateTime line
        QJsonValue hash;
        int nonZero;
    } expected[] = {
        {", image SHA-256 " + Sha256(read) + ", 2 non-zero registers\n", Sha256(read), 2},
        {" (never read), image never read\n", QJsonValue(), 0},
        {", image SHA-256 " + Sha256(storedWithoutTime) + ", 1 non-zero registers\n",
         Sha256(storedWithoutTime), 1},
    };

    const CliRun text = RunCli(dir.filePath("config"), {"info", project});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    const CliRun json = RunCli(dir.filePath("config"), {"info", project, "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonArray stations =
        QJsonDocument::fromJson(json.out.toUtf8())["Channels"][0]["Stations"].toArray();
    ASSERT_EQ(stations.size(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(text.out.count(expected[i].text), 1) << text.out.toStdString();
        EXPECT_EQ(stations[i]["RegisterSha256"], expected[i].hash);
        EXPECT_EQ(stations[i]["NonZeroRegisters"].toInt(), expected[i].nonZero);
    }
}

#pragma once

// A language with known texts and a station whose register image a test fills, for the
// decoder and report tests.
#include "LangTestFolder.h"
#include "comm/KivCrc.h"
#include "lang/KivLanRes.h"
#include "model/KivChannel.h"
#include "reports/KivAlarmDecoder.h"
#include "reports/KivDataRecordDecoder.h"
#include "reports/KivRecipeDecoder.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

inline const char* DecoderTestTexts()
{
    return "STR02240=No.\n"
           "STR09018=No.\n"
           "STR09019=Never read\n"
           "STR09020=Read at %s\n"
           "STR09022=Recipe: %s\n"
           "STR09030=Data record: %s\n"
           "STR09038=Alarm history\n"
           "STR09040=Recipe\n"
           "STR09041=Data record\n"
           "STR09042=Alarm\n"
           "STR09043=yyyy-mm-dd hh-nn-ss\n";
}

// Selects a language 1033 holding DecoderTestTexts() plus extra lines for the test's life.
class DecoderLanguage
{
public:
    explicit DecoderLanguage(const QString& extra = QString())
    {
        m_folder.language(1033, QString::fromLatin1(DecoderTestTexts()) + extra);
        LanguageResources.Discover(m_folder.path());
        LanguageResources.SelectLanguage(1033);
    }
    ~DecoderLanguage() { LanguageResources.Discover(QStringLiteral("/nonexistent")); }

private:
    LangTestFolder m_folder;
};

inline void SetRegister(TKivStation& station, qint64 n, quint16 value)
{
    station.RegisterImage[2 * n] = char(value & 0xFF);
    station.RegisterImage[2 * n + 1] = char(value >> 8);
}

inline void SetRegister32(TKivStation& station, qint64 n, quint32 value)
{
    SetRegister(station, n, quint16(value));
    SetRegister(station, n + 1, quint16(value >> 16));
}

// A data-record header at register r: head, entries stored, 0 and the CRC of the three.
inline void SetLogHeader(TKivStation& station, qint64 r, quint16 head, quint16 entries)
{
    const uchar bytes[6] = {
        uchar(head), uchar(head >> 8), uchar(entries), uchar(entries >> 8), 0, 0};
    SetRegister(station, r, head);
    SetRegister(station, r + 1, entries);
    SetRegister(station, r + 2, 0);
    SetRegister(station, r + 3, ModbusCrc16(bytes, 6));
}

// An alarm backup header at register a for backupSpace registers (capacity follows from it).
inline void SetAlarmHeader(TKivStation& station, quint32 a, quint32 backupSpace, quint32 count,
                           quint32 start)
{
    SetRegister32(station, a, (qint32(backupSpace) - 16) / 8);
    SetRegister32(station, a + 2, count);
    SetRegister32(station, a + 4, start);
    SetRegister32(station, a + 10, a);
    SetRegister32(station, a + 12, backupSpace);
}

// The bytes of a report file holding these lines.
inline QByteArray ReportBytes(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

// The committed demo's station: its define file imported and its register image loaded.
inline ::testing::AssertionResult LoadDemoStation(TKivStation& station)
{
    const QString examples = QStringLiteral(TAMSOR_SOURCE_DIR "/examples/");
    QString error;
    if (!station.ImportDefine(examples + QStringLiteral("demo.def"), &error))
        return ::testing::AssertionFailure() << qPrintable(error);
    QFile image(examples + QStringLiteral("demo.bin"));
    if (!image.open(QIODevice::ReadOnly))
        return ::testing::AssertionFailure() << "cannot read demo.bin";
    station.RegisterImage = image.readAll();
    return ::testing::AssertionSuccess();
}

// Every table the station's definitions decode from image: recipes, data records, alarms.
inline QList<QList<QStringList>> DecodedTables(const TKivStation& station, const QByteArray& image)
{
    constexpr double readTime = 45000.5;
    QList<QList<QStringList>> tables;
    for (const TKivRecipe* recipe : *station.Recipes)
        tables << TableRows(TKivRecipeTable(*recipe, image, readTime));
    for (const TKivDataRecord* record : *station.DataRecords)
        tables << TableRows(TKivDataRecordTable(*record, image, readTime));
    tables << TableRows(TKivAlarmTable(*station.Alarms, image, readTime));
    return tables;
}

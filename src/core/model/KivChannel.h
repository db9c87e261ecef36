#pragma once

#include "KivSerialization.h"
#include "KivDefinitions.h"
#include "KivNode.h"
#include "KivRegisters.h"
#include "ReadOptions.h"

#include <QByteArray>
#include <QString>
#include <memory>

class TKivChannels;
class TKivChannel;
class TKivIniFile;


// A register image of all zeros. Copies share its bytes until written, so stations that were
// never read cost no image memory.
const QByteArray& ZeroRegisterImage();

// One HMI device on a channel: its identity, definitions, schedule and register image.
class TKivStation : public TKivPersistent {
public:
    // Joins owner's stations with the lowest number none of them uses.
    explicit TKivStation(TKivChannel* owner);
    // Joins owner's stations with the given number.
    TKivStation(TKivChannel* owner, quint32 number);
    ~TKivStation() override;
    QString ClassName() const override { return QStringLiteral("TKivStation"); }
    void Serialize(TKivSerialization& s) override;
    QString GetCaption() const override;
    void SetScheduleBase(quint32 time) { ScheduleBase = time; }

    // Imports a define file: sets the model identity and replaces the recipe, data-record and
    // alarm definitions; the station number, schedule, RegisterImage and UpdateTime stay. False,
    // with the reason in *error and the station unchanged, when the file cannot be read, its
    // [Model] lacks a name or a non-zero ID, or its counts are out of bounds (DefineImport in KivDefineImport.h).
    bool ImportDefine(const QString& fileName, QString* error = nullptr);
    bool ImportDefine(const TKivIniFile& ini, QString* error = nullptr);

    // The line that tells when the station was last read (reports/KivStationReports.cpp).
    QString UpdateTimeText() const;

    // Register r (0-65535) of the image: bytes 2r (low) and 2r + 1 (high).
    quint16 RegisterAt(quint32 r) const;

    // Whether the station holds an image of its own: one read from the device, or one stored
    // in the project without a read time. A station never read shares ZeroRegisterImage.
    bool WasRead() const;

    TKivChannel* Owner;
    TKivNode* Node = nullptr; // owned
    quint32 StationNum = 0xFFFFFFFF;
    QString ModelName;
    quint32 ModelID = 0;
    QString Description; // not saved
    // The station's key in the history store: a UUID given at its first recorded read, stored
    // under "StationKey" once it has one.
    QString StationKey;
    std::unique_ptr<TKivRecipes> Recipes;
    std::unique_ptr<TKivDataRecords> DataRecords;
    std::unique_ptr<TKivAlarms> Alarms;
    quint32 ScheduleBase = 0; // seconds since 1970, not saved
    quint32 ScheduleTime = 86400;
    QByteArray RegisterImage;  // always RegisterImageSize bytes
    double UpdateTime = 0;     // days since 1899-12-30 (KivDateTime.h); 0 = never read
    quint32 ReadStartTime = 0; // not saved
    quint32 FailCount = 0;     // not saved
};

// One way of reaching devices: 0 UART (Modbus RTU), 1 Internet (Modbus TCP), 2 register file.
class TKivChannel : public TKivPersistent {
public:
    enum { TypeUart = 0, TypeInternet = 1, TypeRegisterFile = 2 };

    explicit TKivChannel(TKivChannels* owner);
    ~TKivChannel() override;
    QString ClassName() const override { return QStringLiteral("TKivChannel"); }
    void Serialize(TKivSerialization& s) override;
    QString GetCaption() const override;

    TKivStation* FindStation(quint32 number) const;
    quint32 FirstFreeStationNum() const; // lowest of 0-255 not in use; 0 when all are
    void SetScheduleBase(quint32 time);

    TKivChannels* Owner;
    TKivNode* Node = nullptr; // owned
    qint32 Type = TypeUart;
    QString UartPort;
    qint32 Baudrate = 115200;
    qint32 DataBits = 3; // 0-3: 5-8 data bits
    qint32 StopBit = 0;  // 0 one, 1 two
    qint32 Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    QString Ip;
    QString RegisterFileName;
    TKivList<TKivStation> Stations{this};
    // Stored under "DefinedOnly", "BlockRegisters" and "InFlight", only when they differ from
    // the defaults; a block without them reads with the defaults.
    TReadOptions ReadOptions;

private:
    void SerializeReadOptions(TKivSerialization& s);
};

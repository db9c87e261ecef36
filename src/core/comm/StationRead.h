#pragma once

#include "KivSerial.h"
#include "model/ReadOptions.h"
#include "model/RegisterSet.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// Read states of a station read; the values are those the schedule runner and the project
// rely on.
enum ReadState : int {
    ReadIdle = 0,
    ReadDone = 1,
    ReadIdentifying = 2,
    ReadBlocks = 3,
    ReadFailed = -1,
    ReadWrongModel = -2,
};

// Why a read did not end with ReadDone (None for success and for a wrong model).
enum class ReadProblem {
    None,
    Busy,             // another read was running; this one never started
    BaudRefused,      // baud rate 0, or one the port does not accept
    PortUnavailable,  // the serial port could not be opened or went away
    BadAddress,       // the channel's address cannot be used
    ConnectFailed,    // no TCP connection (refused, unknown host, unreachable)
    ConnectionClosed, // the device closed the TCP connection during the read
    NoAnswer,         // retries used up, or no byte within 6 s
    DeviceException,  // the device answered with a Modbus exception
    ReplyMismatch,    // a reply whose function code or byte count does not fit the request
    BadTcpHeader,     // a Modbus TCP header with another protocol or an impossible length
    Cancelled,        // the read window was closed while reading
    RegisterFileMissing,  // the register file does not exist
    RegisterFileSize,     // the register file is not 131,072 bytes long
    NoSuchChannelType,    // the channel's type has no way of reading
    UnaskedReplies,       // the device kept sending replies to requests never made (TCP)
    LineBusy,             // the line never fell silent for the next request (RTU)
    Overtime,             // the read took longer than all its requests may take
    BlockRefused,         // the device refused a request for more than 64 registers
    RepeatedTransaction,  // TCP: a reply repeated the identifier of one already answered
};

// Everything a read needs to know of the channel and the station.
struct StationReadRequest {
    int channelType = 0;     // 0 UART (Modbus RTU), 1 Internet (Modbus TCP)
    SerialLineSettings line; // UART only
    QString address;         // Internet only: host name, IPv4, [IPv6], each with optional :port
    qint32 stationNum = 1;   // its low byte is the unit address
    quint32 modelId = 0;     // must equal register 0xFF80
    TReadOptions options;    // block size and requests in flight; DefinedOnly is not looked at
    // The registers to read (whole 64-register blocks holding them are read); every register
    // when absent.
    std::optional<TRegisterSet> registers;
    // What the registers that are not read keep: the station's image before the read (a
    // 131,072-byte image); zeros when empty.
    QByteArray baseImage;
    // Asked once, when the registers above have been read, with the image as it stands then:
    // registers that turn out to be needed as well.
    std::function<TRegisterSet(const QByteArray& image)> moreRegisters;
};

// How a read ended.
struct StationReadOutcome {
    int state = ReadIdle;
    ReadProblem problem = ReadProblem::None;
    QByteArray image;        // the 131,072-byte register image on ReadDone (register n low byte
                             // first at byte 2n); empty otherwise
    int messageId = 0;       // string ID of the main text (9032, 9035, 9036 ...)
    QString message;         // the text the read window shows, detail on a second line
    int failedRegister = -1; // start register of the request a bad reply answered
    int exceptionCode = 0;   // Modbus exception code of that reply, 0 when none came
    int requestsWritten = 0; // including resends
    int resends = 0;
    qint64 durationMs = 0;

    bool Succeeded() const { return state == ReadDone; }
};

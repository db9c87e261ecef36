#pragma once

#include <QSerialPort>
#include <QString>
#include <QStringList>

// Line settings of a serial channel as the project stores them.
struct SerialLineSettings {
    QString UartPort; // port name (ttyUSB0) or device path (/dev/pts/3)
    qint32 Baudrate = 9600;
    int DataBits = 3; // code 0..3 = 5..8 data bits
    int StopBit = 0;  // code 0 = one, 1 = two stop bits
    int Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
};

// Thin wrapper over a serial port: open with line settings, a read that never waits,
// a plain write, close. A closed port reads and writes nothing. At most kSerialReadBufferSize
// received bytes are held; the rest wait in the system.
class TKivSerial
{
public:
    TKivSerial();
    ~TKivSerial();
    TKivSerial(const TKivSerial&) = delete;
    TKivSerial& operator=(const TKivSerial&) = delete;

    static constexpr qint64 kSerialReadBufferSize = 64 * 1024;

    QString PortName = QStringLiteral("ttyS0");
    qint32 BaudRate = 9600;
    int ByteSize = 8; // 5..8
    int Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int StopBits = 0; // 0 one, 2 two

    // Takes port name and line settings from a channel's stored codes.
    void ApplyLineSettings(const SerialLineSettings& line);

    // Opens PortName exclusively, raw, without flow control, DTR and RTS off. False when the
    // port cannot be opened or refuses the line settings; ErrorText() says why and
    // BaudRefused() tells the baud rate apart. A port that refuses its settings is closed.
    bool Open();
    bool Close();
    bool IsOpen() const;
    int InQueue();
    int Read(char* buffer, int maximum);
    int Write(const char* buffer, int count);

    QString ErrorText() const { return m_error; }
    bool BaudRefused() const { return m_baudRefused; }
    // The underlying port, for its readyRead notification.
    QSerialPort& Port() { return m_port; }

private:
    bool ApplySettingsToPort();

    QSerialPort m_port;
    QString m_error;
    bool m_baudRefused = false;
};

// Port list entry "name - (description)", or the name alone without a description.
QString PortListEntry(const QString& name, const QString& description);
// Clears strings, adds first when not empty, then the serial ports present on the machine;
// an entry equal (ignoring case) to one already listed is left out.
void FillPortList(QStringList& strings, const QString& first);
// The port name of a list entry: "ttyUSB0 - (FT232R)" gives ttyUSB0, "COM3 - (USB)" COM3;
// a bare name or device path comes back unchanged.
QString BarePortName(const QString& text);
// The entry of `entries` naming the same port as `port` (letter case significant;
// /dev/ttyUSB0 and ttyUSB0 are the same port), else the bare port name.
QString FindPortEntry(const QString& port, const QStringList& entries);
// False for an empty text; else true when every character is a digit (or ':' when allowed).
bool AllDigits(const QString& text, bool allowColon);
// The bare name of the first port of `entries` that none of `usedPorts` names; empty when
// every port is used.
QString FirstFreePort(const QStringList& usedPorts, const QStringList& entries);
// The same over the ports present on the machine.
QString FirstFreePort(const QStringList& usedPorts);

#pragma once

#include "KivSerial.h"
#include "StationRead.h"

#include <QTcpSocket>

#include <functional>
#include <memory>

// The byte pipe a station read runs over. The read engine only writes whole requests and
// takes whatever bytes have arrived; it never waits on the transport.
class TReadTransport
{
public:
    enum class Framing { Rtu, Tcp };

    virtual ~TReadTransport() = default;
    virtual Framing Kind() const = 0;
    // Starts opening (a TCP connection completes later). False when it failed at once;
    // Problem() and ErrorText() say why.
    virtual bool Open() = 0;
    virtual void Close() = 0;
    // True when a request can be written now.
    virtual bool IsReady() const = 0;
    // Bytes written; 0 when not ready.
    virtual int Write(const char* bytes, int count) = 0;
    // Up to maximum bytes that have arrived; 0 at once when none have.
    virtual int Take(char* buffer, int maximum) = 0;
    // A failure noticed after Open (connection refused or closed, port lost), else None.
    virtual ReadProblem Problem() const = 0;
    virtual QString ErrorText() const = 0;

    // Called when bytes arrive, a connection is made or the transport fails.
    std::function<void()> onActivity;

protected:
    void NotifyActivity()
    {
        if (onActivity)
            onActivity();
    }
};

// Modbus RTU over a serial port.
class TSerialReadTransport : public TReadTransport
{
public:
    explicit TSerialReadTransport(const SerialLineSettings& line);
    Framing Kind() const override { return Framing::Rtu; }
    bool Open() override;
    void Close() override;
    bool IsReady() const override;
    int Write(const char* bytes, int count) override;
    int Take(char* buffer, int maximum) override;
    ReadProblem Problem() const override { return m_problem; }
    QString ErrorText() const override { return m_error; }

private:
    SerialLineSettings m_line;
    TKivSerial m_serial;
    ReadProblem m_problem = ReadProblem::None;
    QString m_error;
};

// Modbus TCP over a socket. The socket buffers at most kTcpReadBufferSize received bytes; a
// device that sends more than is taken waits for the reader.
class TTcpReadTransport : public TReadTransport
{
public:
    explicit TTcpReadTransport(const QString& address);
    Framing Kind() const override { return Framing::Tcp; }
    bool Open() override;
    void Close() override;
    bool IsReady() const override;
    int Write(const char* bytes, int count) override;
    int Take(char* buffer, int maximum) override;
    ReadProblem Problem() const override { return m_problem; }
    QString ErrorText() const override { return m_error; }

private:
    void OnError(QAbstractSocket::SocketError error);

    QString m_address;
    QTcpSocket m_socket;
    bool m_wasConnected = false;
    ReadProblem m_problem = ReadProblem::None;
    QString m_error;
};

constexpr quint16 kModbusTcpPort = 502;
constexpr qint64 kTcpReadBufferSize = 64 * 1024;

// Splits a channel address into host and port: "10.0.0.5", "plc.local:1502", "[fe80::1]:502",
// "fe80::1" (a bare IPv6 address has no port). The port defaults to 502. False for an empty
// host, a host with spaces, or a port that is not 1..65535.
bool ParseDeviceAddress(const QString& text, QString& host, quint16& port);

// The transport a request's channel type asks for; null for other channel types.
std::unique_ptr<TReadTransport> MakeReadTransport(const StationReadRequest& request);

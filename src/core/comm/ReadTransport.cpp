#include "ReadTransport.h"

TSerialReadTransport::TSerialReadTransport(const SerialLineSettings& line) : m_line(line)
{
    QObject::connect(&m_serial.Port(), &QSerialPort::readyRead, [this] { NotifyActivity(); });
    QObject::connect(&m_serial.Port(), &QSerialPort::errorOccurred,
                     [this](QSerialPort::SerialPortError error) {
                         if (error != QSerialPort::ResourceError || !m_serial.IsOpen())
                             return;
                         m_problem = ReadProblem::PortUnavailable;
                         m_error = m_serial.Port().errorString();
                         NotifyActivity();
                     });
}

bool TSerialReadTransport::Open()
{
    m_serial.ApplyLineSettings(m_line);
    if (m_serial.Open())
        return true;
    m_problem = m_serial.BaudRefused() ? ReadProblem::BaudRefused : ReadProblem::PortUnavailable;
    m_error = m_serial.ErrorText();
    return false;
}

void TSerialReadTransport::Close()
{
    m_serial.Close();
}

bool TSerialReadTransport::IsReady() const
{
    return m_serial.IsOpen();
}

int TSerialReadTransport::Write(const char* bytes, int count)
{
    return m_serial.Write(bytes, count);
}

int TSerialReadTransport::Take(char* buffer, int maximum)
{
    return m_serial.Read(buffer, maximum);
}

TTcpReadTransport::TTcpReadTransport(const QString& address) : m_address(address)
{
    m_socket.setReadBufferSize(kTcpReadBufferSize);
    QObject::connect(&m_socket, &QTcpSocket::connected, [this] {
        m_wasConnected = true;
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        NotifyActivity();
    });
    QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] { NotifyActivity(); });
    QObject::connect(&m_socket, &QTcpSocket::errorOccurred,
                     [this](QAbstractSocket::SocketError error) { OnError(error); });
}

void TTcpReadTransport::OnError(QAbstractSocket::SocketError error)
{
    // Take's zero-time look for waiting bytes reports a time-out when there are none.
    if (m_problem != ReadProblem::None || error == QAbstractSocket::SocketTimeoutError)
        return;
    const bool closedByPeer = m_wasConnected && error == QAbstractSocket::RemoteHostClosedError;
    m_problem = closedByPeer ? ReadProblem::ConnectionClosed : ReadProblem::ConnectFailed;
    m_error = m_socket.errorString();
    NotifyActivity();
}

bool TTcpReadTransport::Open()
{
    QString host;
    quint16 port = 0;
    if (!ParseDeviceAddress(m_address, host, port)) {
        m_problem = ReadProblem::BadAddress;
        m_error = m_address;
        return false;
    }
    m_socket.connectToHost(host, port);
    return true;
}

void TTcpReadTransport::Close()
{
    m_socket.abort();
}

bool TTcpReadTransport::IsReady() const
{
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

int TTcpReadTransport::Write(const char* bytes, int count)
{
    if (!IsReady())
        return 0;
    const qint64 written = m_socket.write(bytes, count);
    m_socket.flush();
    return written > 0 ? int(written) : 0;
}

int TTcpReadTransport::Take(char* buffer, int maximum)
{
    // Bytes the system holds already are taken now, not on the next event-loop pass: the
    // engine judges a reply by the requests outstanding when it arrived.
    if (m_socket.bytesAvailable() == 0 && IsReady())
        m_socket.waitForReadyRead(0);
    const qint64 got = m_socket.read(buffer, maximum);
    return got > 0 ? int(got) : 0;
}

namespace
{

bool ParsePort(const QString& text, quint16& port)
{
    if (!AllDigits(text, false) || text.size() > 5)
        return false;
    const int value = text.toInt();
    if (value < 1 || value > 65535)
        return false;
    port = quint16(value);
    return true;
}

} // namespace

bool ParseDeviceAddress(const QString& text, QString& host, quint16& port)
{
    const QString address = text.trimmed();
    port = kModbusTcpPort;
    QString portText;
    if (address.startsWith(u'[')) {
        const int close = address.indexOf(u']');
        if (close < 0)
            return false;
        host = address.mid(1, close - 1);
        const QString rest = address.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':'))
                return false;
            portText = rest.mid(1);
        }
    } else if (address.count(u':') == 1) {
        const int colon = address.indexOf(u':');
        host = address.left(colon);
        portText = address.mid(colon + 1);
    } else {
        host = address; // a name, an IPv4 address or a bare IPv6 address
    }
    if (host.isEmpty() || host.contains(u' ') || host.contains(u'[') || host.contains(u']'))
        return false;
    if (!portText.isNull() && !ParsePort(portText, port))
        return false;
    return true;
}

std::unique_ptr<TReadTransport> MakeReadTransport(const StationReadRequest& request)
{
    switch (request.channelType) {
    case 0:
        return std::make_unique<TSerialReadTransport>(request.line);
    case 1:
        return std::make_unique<TTcpReadTransport>(request.address);
    default:
        return nullptr;
    }
}

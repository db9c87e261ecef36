#include "KivSerial.h"

#include <QRegularExpression>
#include <QSerialPortInfo>

#include <sys/ioctl.h>

TKivSerial::TKivSerial() = default;

TKivSerial::~TKivSerial()
{
    if (IsOpen())
        Close();
}

void TKivSerial::ApplyLineSettings(const SerialLineSettings& line)
{
    PortName = line.UartPort;
    BaudRate = line.Baudrate;
    // Codes outside their lists (a damaged project) give settings Open refuses, never a
    // number that wrapped around into a valid one.
    ByteSize = line.DataBits >= 0 && line.DataBits <= 3 ? line.DataBits + 5 : 0;
    Parity = line.Parity;
    StopBits = line.StopBit == 0 || line.StopBit == 1 ? line.StopBit * 2 : -1;
}

bool TKivSerial::Open()
{
    m_error.clear();
    m_baudRefused = false;
    if (IsOpen())
        Close();
    m_port.setPortName(PortName);
    m_port.setReadBufferSize(kSerialReadBufferSize);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_error = m_port.errorString();
        return false;
    }
    if (!ApplySettingsToPort()) {
        m_port.close();
        return false;
    }
    // Modem lines are best effort: pseudo terminals and some adapters have none.
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(false);
    m_port.clearError();
    m_port.clear();
    return true;
}

bool TKivSerial::ApplySettingsToPort()
{
    if (BaudRate <= 0 || !m_port.setBaudRate(BaudRate)) {
        m_baudRefused = true;
        m_error = m_port.errorString();
        return false;
    }
    static const QSerialPort::DataBits dataBits[] = {QSerialPort::Data5, QSerialPort::Data6,
                                                     QSerialPort::Data7, QSerialPort::Data8};
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    const bool settingsKnown = ByteSize >= 5 && ByteSize <= 8 && Parity >= 0 && Parity <= 4 &&
                               (StopBits == 0 || StopBits == 2);
    if (!settingsKnown) {
        m_error =
            QStringLiteral("Unsupported line settings (%1 data bits, parity %2, stop bits %3)")
                .arg(ByteSize)
                .arg(Parity)
                .arg(StopBits);
        return false;
    }
    const bool ok =
        m_port.setDataBits(dataBits[ByteSize - 5]) && m_port.setParity(parities[Parity]) &&
        m_port.setStopBits(StopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok)
        m_error = m_port.errorString();
    return ok;
}

bool TKivSerial::Close()
{
    if (!IsOpen())
        return false;
    m_port.close();
    return true;
}

bool TKivSerial::IsOpen() const
{
    return m_port.isOpen();
}

int TKivSerial::InQueue()
{
    if (!IsOpen())
        return 0;
    // Moves what the system has queued into the port's buffer without waiting.
    int queued = 0;
    if (::ioctl(int(m_port.handle()), FIONREAD, &queued) == 0 && queued > 0)
        m_port.waitForReadyRead(0);
    m_port.clearError();
    return int(m_port.bytesAvailable());
}

int TKivSerial::Read(char* buffer, int maximum)
{
    const int queued = InQueue();
    if (queued < 1 || maximum < 1)
        return 0;
    const qint64 got = m_port.read(buffer, qMin(maximum, queued));
    return got > 0 ? int(got) : 0;
}

int TKivSerial::Write(const char* buffer, int count)
{
    if (!IsOpen() || count <= 0)
        return 0;
    const qint64 written = m_port.write(buffer, count);
    if (written <= 0)
        return 0;
    // Hands the bytes to the system now rather than on the next event-loop pass.
    while (m_port.bytesToWrite() > 0) {
        if (!m_port.waitForBytesWritten(1000))
            break;
    }
    return int(written);
}

QString PortListEntry(const QString& name, const QString& description)
{
    if (description.isEmpty())
        return name;
    return QStringLiteral("%1 - (%2)").arg(name, description);
}

namespace
{

bool ContainsIgnoringCase(const QStringList& list, const QString& text)
{
    return list.contains(text, Qt::CaseInsensitive);
}

QString WithoutDevFolder(const QString& name)
{
    static const QString dev = QStringLiteral("/dev/");
    if (name.startsWith(dev) && name.indexOf(u'/', dev.size()) < 0)
        return name.mid(dev.size());
    return name;
}

QStringList PresentPorts()
{
    QStringList entries;
    FillPortList(entries, QString());
    return entries;
}

} // namespace

void FillPortList(QStringList& strings, const QString& first)
{
    strings.clear();
    if (!first.isEmpty())
        strings << first;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString entry = PortListEntry(info.portName(), info.description());
        if (!ContainsIgnoringCase(strings, entry))
            strings << entry;
    }
}

QString BarePortName(const QString& text)
{
    // Names kept from Windows projects: "COM3 - (USB Serial Port)".
    if (text.size() > 3 && text.startsWith(QStringLiteral("COM"), Qt::CaseInsensitive)) {
        const QStringList tokens =
            text.split(QRegularExpression(QStringLiteral("[ -]")), Qt::SkipEmptyParts);
        return tokens.isEmpty() ? QString() : tokens.first();
    }
    // Linux device paths may hold hyphens and spaces themselves, so only the entry
    // separator ends the name.
    const int separator = text.indexOf(QStringLiteral(" - ("));
    if (separator > 0)
        return text.left(separator);
    return text;
}

QString FindPortEntry(const QString& port, const QStringList& entries)
{
    const QString bare = BarePortName(port);
    const QString wanted = WithoutDevFolder(bare);
    for (const QString& entry : entries) {
        if (WithoutDevFolder(BarePortName(entry)) == wanted)
            return entry;
    }
    return bare;
}

bool AllDigits(const QString& text, bool allowColon)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        const bool digit = c >= u'0' && c <= u'9';
        if (!digit && !(allowColon && c == u':'))
            return false;
    }
    return true;
}

QString FirstFreePort(const QStringList& usedPorts, const QStringList& entries)
{
    QStringList free = entries;
    for (const QString& used : usedPorts) {
        const QString entry = FindPortEntry(used, free);
        for (int i = 0; i < free.size(); ++i) {
            if (free[i].compare(entry, Qt::CaseInsensitive) == 0) {
                free.removeAt(i);
                break;
            }
        }
    }
    return free.isEmpty() ? QString() : BarePortName(free.first());
}

QString FirstFreePort(const QStringList& usedPorts)
{
    return FirstFreePort(usedPorts, PresentPorts());
}

#pragma once

// Peers of end-to-end tests: tamsor-sim (an independent Modbus device on libmodbus) and
// socat pseudo-terminal pairs, each started as a child process, waited for until it says it
// is ready, and stopped by its own process id. No fixed sleeps.
#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

inline const QString& TamsorSimPath()
{
    static const QString path = QStringLiteral(TAMSOR_BIN_DIR "/tamsor-sim");
    return path;
}

// A child process stopped by its own pid when it goes.
class PeerProcess
{
public:
    ~PeerProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    // Starts program and waits until its output so far matches `ready`.
    QRegularExpressionMatch Start(const QString& program, const QStringList& args,
                                  const QRegularExpression& ready, bool fromStderr = false)
    {
        m_process.setReadChannel(fromStderr ? QProcess::StandardError : QProcess::StandardOutput);
        m_process.start(program, args);
        QDeadlineTimer deadline(10000);
        QString seen;
        while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
            while (m_process.canReadLine()) {
                seen += QString::fromLocal8Bit(m_process.readLine());
                const auto match = ready.match(seen);
                if (match.hasMatch())
                    return match;
            }
            m_process.waitForReadyRead(100);
        }
        ADD_FAILURE() << program.toStdString() << " never got ready: " << seen.toStdString()
                      << m_process.readAllStandardError().toStdString();
        return {};
    }
    QProcess& Process() { return m_process; }

private:
    QProcess m_process;
};

// The peers of one test, stopped together (last started first) when it ends.
class PeerSet
{
public:
    ~PeerSet() { Clear(); }
    void Clear()
    {
        while (!m_peers.empty())
            m_peers.pop_back();
    }

    // tamsor-sim serving imagePath over TCP on a free loopback port, with extra options
    // (faults, model override); returns "127.0.0.1:PORT", empty when it did not start.
    QString ServeTcp(const QString& imagePath, const QStringList& options = {})
    {
        const auto match = Add().Start(
            TamsorSimPath(), QStringList{"--image", imagePath, "--tcp", "127.0.0.1:0"} + options,
            QRegularExpression("ready port=(\\d+)"));
        return match.hasMatch() ? "127.0.0.1:" + match.captured(1) : QString();
    }

    // Two connected pseudo terminals; empty when socat is not installed.
    QStringList PtyPair()
    {
        if (QStandardPaths::findExecutable("socat").isEmpty())
            return {};
        const auto match =
            Add().Start("socat", {"-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0"},
                        QRegularExpression("PTY is (\\S+)[\\s\\S]*PTY is (\\S+)"), true);
        if (!match.hasMatch())
            return {};
        return {match.captured(1), match.captured(2)};
    }

    // tamsor-sim serving imagePath over RTU on one end of a new pseudo-terminal pair; returns
    // the other end, empty when socat is not installed.
    QString ServeRtu(const QString& imagePath, const QStringList& options = {})
    {
        const QStringList pair = PtyPair();
        if (pair.size() != 2)
            return {};
        Add().Start(TamsorSimPath(), QStringList{"--image", imagePath, "--rtu", pair[0]} + options,
                    QRegularExpression("ready device="));
        return pair[1];
    }

private:
    PeerProcess& Add()
    {
        m_peers.push_back(std::make_unique<PeerProcess>());
        return *m_peers.back();
    }

    std::vector<std::unique_ptr<PeerProcess>> m_peers;
};

// A register image whose register n holds n * 131 + 17, with `model` in register 0xFF80.
inline QByteArray PatternRegisterImage(quint16 model)
{
    QByteArray image(131072, '\0');
    for (int n = 0; n < 65536; ++n) {
        const quint16 value = quint16(n * 131 + 17);
        image[2 * n] = char(value & 0xFF);
        image[2 * n + 1] = char(value >> 8);
    }
    image[0x1FF00] = char(model & 0xFF);
    image[0x1FF01] = char(model >> 8);
    return image;
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

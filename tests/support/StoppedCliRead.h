#pragma once

// A tamsor-cli read that holds the lock of a project for as long as a test needs: the project's
// one channel leads over TCP to a device on this machine that takes the connection and never
// answers. The reader connects only once it holds the lock; stopped there, it keeps holding it.
#include "CliProcess.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include <QHostAddress>
#include <QTcpServer>

#include <csignal>

class StoppedCliRead
{
public:
    // Writes a project of one TCP channel to the silent device, holding `stations` stations.
    ::testing::AssertionResult WriteProject(const QString& project, int stations)
    {
        if (!m_device.isListening() && !m_device.listen(QHostAddress::LocalHost))
            return ::testing::AssertionFailure() << "no device to connect to";
        TKivTamsor root;
        root.Start();
        auto* tcp = new TKivChannel(root.Channels.get());
        tcp->Type = TKivChannel::TypeInternet;
        tcp->Ip = QStringLiteral("127.0.0.1:%1").arg(m_device.serverPort());
        for (int i = 0; i < stations; ++i)
            new TKivStation(tcp);
        WriteProjectFile(project, root);
        return ::testing::AssertionSuccess();
    }

    // Starts tamsor-cli read of the project's first station, its settings under configHome,
    // and stops it once it holds the lock.
    ::testing::AssertionResult Start(const QString& configHome, const QString& project)
    {
        StartCli(m_reader, configHome, {QStringLiteral("read"), project, QStringLiteral("1/1")});
        if (!m_device.waitForNewConnection(30000))
            return ::testing::AssertionFailure() << "the read never connected";
        ::kill(pid_t(m_reader.processId()), SIGSTOP);
        return ::testing::AssertionSuccess();
    }

    qint64 Pid() const { return m_reader.processId(); }

    // Kills the reader: its lock file stays behind, naming a process that is gone.
    ::testing::AssertionResult Kill()
    {
        m_reader.kill();
        if (!m_reader.waitForFinished(10000))
            return ::testing::AssertionFailure() << "the read did not end";
        return ::testing::AssertionSuccess();
    }

private:
    QTcpServer m_device;
    QProcess m_reader;
};

#pragma once

// tamsor-cli run as a program by a test, the way a user or a script runs it: in English, with
// its settings in a folder of the test's own, waited for until it ends.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <gtest/gtest.h>

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Starts tamsor-cli with arguments; prepare may adjust the process before it starts.
inline void StartCli(QProcess& process, const QString& configHome, const QStringList& arguments,
                     const std::function<void(QProcess&)>& prepare = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process.setProcessEnvironment(env);
    if (prepare)
        prepare(process);
    process.start(QStringLiteral(TAMSOR_BIN_DIR "/tamsor-cli"),
                  QStringList{QStringLiteral("--lang"), QStringLiteral("1033")} + arguments);
}

inline CliRun FinishCli(QProcess& process)
{
    EXPECT_TRUE(process.waitForFinished(60000)) << process.arguments().join(' ').toStdString();
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

inline CliRun RunCli(const QString& configHome, const QStringList& arguments,
                     const std::function<void(QProcess&)>& prepare = {})
{
    QProcess process;
    StartCli(process, configHome, arguments, prepare);
    return FinishCli(process);
}

// RunCli in workingDir (the test's own when empty).
inline CliRun RunTamsorCli(const QString& configHome, const QStringList& arguments,
                           const QString& workingDir = QString())
{
    return RunCli(configHome, arguments, [&workingDir](QProcess& process) {
        if (!workingDir.isEmpty())
            process.setWorkingDirectory(workingDir);
    });
}

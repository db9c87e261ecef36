#pragma once

// Runs tamsor-cli as a program, the way a user or a script does.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// tamsor-cli --lang 1033 with arguments, its settings kept under configHome, run in
// workingDir (the test's own when empty).
inline CliRun RunTamsorCli(const QString& configHome, const QStringList& arguments,
                           const QString& workingDir = QString())
{
    QProcess process;
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", configHome);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TAMSOR_BIN_DIR "/tamsor-cli"),
                  QStringList{"--lang", "1033"} + arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << arguments.join(' ').toStdString();
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

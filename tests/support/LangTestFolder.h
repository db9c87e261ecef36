#pragma once

// A program folder made for a test: language folders with the files a test writes into them,
// and XDG_CONFIG_HOME pointed at a folder of its own so settings never touch the user's.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class LangTestFolder
{
public:
    LangTestFolder()
    {
        m_oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", (m_config.path() + QStringLiteral("/config")).toUtf8());
    }
    ~LangTestFolder() { qputenv("XDG_CONFIG_HOME", m_oldConfig); }

    QString path() const { return m_dir.path(); }
    QString configPath() const { return m_config.path() + QStringLiteral("/config"); }

    // Writes relativePath under the program folder; text is stored as UTF-8 with a BOM.
    void write(const QString& relativePath, const QString& text) const
    {
        writeBytes(relativePath, QByteArray("\xEF\xBB\xBF") + text.toUtf8());
    }
    void writeBytes(const QString& relativePath, const QByteArray& bytes) const
    {
        const QString file = m_dir.filePath(relativePath);
        QDir().mkpath(QFileInfo(file).path());
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly)) << qPrintable(file);
        out.write(bytes);
    }
    // A language folder with both files.
    void language(int id, const QString& strTab = QStringLiteral("STR01000=Title\n"),
                  const QString& strRes = QStringLiteral("")) const
    {
        write(QStringLiteral("%1/StrTab.ini").arg(id), strTab);
        write(QStringLiteral("%1/StrRes.ini").arg(id), strRes);
    }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_config;
    QByteArray m_oldConfig;
};

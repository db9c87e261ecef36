#include "KivRecentFile.h"

#include "KivRegistry.h"
#include "TamsorError.h"

#include <QFileInfo>
#include <QRegularExpression>

bool TKivRecentFile::Add(const QString& path)
{
    if (path.isEmpty())
        return false;
    qsizetype found = -1;
    for (qsizetype i = 0; i < m_entries.size() && found < 0; ++i)
        if (m_entries.at(i).compare(path, Qt::CaseInsensitive) == 0)
            found = i;
    if (found < 0)
        m_entries.prepend(path);
    else
        m_entries.move(found, 0);
    if (m_entries.size() > MaxEntries)
        m_entries.resize(MaxEntries);
    Rebuild(MaxEntries);
    return true;
}

bool TKivRecentFile::Rebuild(int maximum)
{
    if (!m_menu)
        return false;
    m_menu->ClearRecentItems();
    const int count = qMin<qsizetype>(maximum, m_entries.size());
    for (int i = 0; i < count; ++i) {
        const QString& path = m_entries.at(i);
        if (QFileInfo(path).isFile())
            m_menu->AddRecentItem(ItemCaption(i, path), path);
    }
    return true;
}

QString TKivRecentFile::ItemCaption(int position, const QString& path)
{
    // "&" marks the access key in menu texts; one inside the path is doubled to show as is.
    QString shown = path;
    shown.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&%1 : %2").arg(position).arg(shown);
}

QString TKivRecentFile::EntriesText() const
{
    QString text;
    for (const QString& entry : m_entries)
        text += entry + QStringLiteral("\r\n");
    return text;
}

void TKivRecentFile::SetEntriesText(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    // One entry per line, empty lines included, so every entry keeps its stored place and
    // number; only the break that ends the last line starts no entry.
    m_entries = text.split(lineBreak);
    if (!m_entries.isEmpty() && m_entries.last().isEmpty())
        m_entries.removeLast();
}

QString TKivRecentFile::LoadSettings()
{
    QString text = EntriesText();
    try {
        TKivRegistry(KivSettings::KeyPath, TKivRegistry::ModeRead)
            .ExchangeString(QString(), KivSettings::RecentProject, text);
    } catch (const TamsorError& error) {
        m_entries.clear();
        return error.message();
    }
    SetEntriesText(text);
    return QString();
}

void TKivRecentFile::SaveSettings() const
{
    QString text = EntriesText();
    TKivRegistry(KivSettings::KeyPath, TKivRegistry::ModeWrite)
        .ExchangeString(QString(), KivSettings::RecentProject, text);
}

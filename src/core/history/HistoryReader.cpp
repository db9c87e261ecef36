#include "HistoryReader.h"

#include <QFileInfo>

const THistoryStore* THistoryReader::Store(const QString& path)
{
    if (m_store && path == m_path && QFileInfo::exists(path))
        return m_store.get();
    Close();
    if (path.isEmpty() || !QFileInfo::exists(path))
        return nullptr;
    m_store = std::make_unique<THistoryStore>(path, THistoryStore::ExistingOnly);
    m_path = path;
    return m_store.get();
}

void THistoryReader::Close()
{
    m_store.reset();
    m_path.clear();
}

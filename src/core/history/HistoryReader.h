#pragma once

// The history store as the window reads it: opened at the first look (never made: a project
// without a store has no history to show), kept open while the path stays the same, and closed
// when a recording may have replaced the file (a damaged store set aside, a deleted one made
// again).

#include "HistoryStore.h"

#include <QString>
#include <memory>

class THistoryReader
{
public:
    // The store at path, opened now when it is not open yet; null when path is empty or names
    // no file. Throws THistoryError when the file is there but cannot be opened as a store.
    const THistoryStore* Store(const QString& path);
    void Close();

private:
    QString m_path;
    std::unique_ptr<THistoryStore> m_store;
};

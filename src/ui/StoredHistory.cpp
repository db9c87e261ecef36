#include "StoredHistory.h"

#include "FrameBase.h"
#include "history/HistoryLocation.h"
#include "history/HistoryRecorder.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "reports/KivUtil.h"

TStoredHistory::TStoredHistory(QObject* parent) : QObject(parent)
{
    FollowRecorder();
}

const THistoryStore* TStoredHistory::Store()
{
    FollowRecorder();
    TFrameHost* host = FrameHost();
    const QString path = host ? HistoryStorePath(host->Project(), host->ProjectFileName()) : QString();
    try {
        return m_reader.Store(path);
    } catch (const THistoryError&) {
        m_reader.Close();
        throw;
    }
}

QString TStoredHistory::FailureText(const THistoryError& error)
{
    return FormatTemplate(GetLangString(StrId::StoredHistoryUnreadable), {error.message()});
}

void TStoredHistory::FollowRecorder()
{
    // The recorder is installed by the program after the window is made; it is looked for
    // again each time the store is wanted.
    THistoryRecorder* recorder = ProgramHistoryRecorder();
    if (recorder == m_recorder)
        return;
    if (m_recorder)
        disconnect(m_recorder, nullptr, this, nullptr);
    m_recorder = recorder;
    if (!recorder)
        return;
    connect(recorder, &THistoryRecorder::Recorded, this, [this](TKivStation* station) {
        // A recording may have set a damaged file aside or made a deleted one again: the next
        // look opens the file that is there now.
        m_reader.Close();
        emit Recorded(station);
    });
}

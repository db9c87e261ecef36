#include "ScheduleReports.h"

#include "TamsorError.h"
#include "lang/KivLanRes.h"
#include "lang/LangText.h"
#include "lang/StringIds.h"
#include "reports/KivStationReports.h"

#include <QDir>

void WriteScheduledReports(const TKivStation& station, const QString& reportRoot,
                           const QString& projectFilePath)
{
    const StationReportsResult result =
        WriteStationReports(station, ProjectReportFolder(reportRoot, projectFilePath));
    if (!result.Skipped.isEmpty()) {
        throw TamsorError(FormatLangText(GetLangString(StrId::ScheduleFolderFailed),
                                         {QDir::toNativeSeparators(result.Skipped.first())}));
    }
}

#pragma once

#include <QString>

class TKivStation;

// The reports a scheduled read writes: the station's report files under
// <reportRoot>/<project>/ (KivStationReports.h), where the project folder is named after
// projectFilePath ("Unknow" while the project has no file). Unlike an export, a file skipped
// because its folder cannot be made is a failure here: throws TamsorError naming it (after
// the station's other files have been written), as does a file that cannot be written.
void WriteScheduledReports(const TKivStation& station, const QString& reportRoot,
                           const QString& projectFilePath);

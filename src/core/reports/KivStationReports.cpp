#include "KivStationReports.h"

#include "KivDateFormat.h"
#include "KivReportFiles.h"
#include "KivUtil.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivChannel.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

QString TKivStation::UpdateTimeText() const
{
    return ::UpdateTimeText(UpdateTime);
}

QString DefaultReportRoot()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        return QCoreApplication::applicationDirPath();
    return documents + QStringLiteral("/Tamsor Report");
}

QString ProjectReportFolder(const QString& reportRoot, const QString& projectFileName)
{
    const QString name = projectFileName.isEmpty() ? QStringLiteral("Unknow")
                                                   : QFileInfo(projectFileName).completeBaseName();
    return reportRoot + u'/' + SafePathName(name);
}

namespace
{

// A register file's name without its folder. Projects made on Windows store "\" separators,
// so both separators end the folder part.
QString FileNameWithoutFolder(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

// A port typed as a device path names the same port as its bare name ("/dev/ttyUSB0" and
// "ttyUSB0"), so both give one station folder.
QString PortFolderText(const QString& port)
{
    return port.startsWith(QLatin1StringView("/dev/")) ? port.mid(5) : port;
}

} // namespace

QString StationFolderName(const TKivStation& station)
{
    const TKivChannel* channel = station.Owner;
    if (!channel)
        return QString();
    switch (channel->Type) {
    case TKivChannel::TypeUart:
        return QStringLiteral("%1-%2 [%3]")
            .arg(PortFolderText(channel->UartPort))
            .arg(station.StationNum)
            .arg(station.ModelName);
    case TKivChannel::TypeInternet:
        return QStringLiteral("%1 [%2]").arg(channel->Ip, station.ModelName);
    case TKivChannel::TypeRegisterFile:
        return QStringLiteral("%1 [%2]").arg(FileNameWithoutFolder(channel->RegisterFileName),
                                             station.ModelName);
    default:
        return QString();
    }
}

namespace
{

// Writes one table's file when its folder can be made; records the outcome.
template <class Table>
void WriteTableFile(const Table& table, const QString& folder, const QString& fileName,
                    StationReportsResult& result)
{
    const QString path = folder + u'/' + fileName;
    if (!ForceFileFolder(path)) {
        result.Skipped.append(path);
        return;
    }
    if (table.ExportTxt(path))
        result.Files.append(path);
}

} // namespace

StationReportsResult WriteStationFolderReports(const TKivStation& station,
                                               const QString& stationFolder)
{
    StationReportsResult result;
    const QString date =
        FormatDateTime(GetLangString(StrId::ReportFilePattern), station.UpdateTime);
    const QString fileName = SafePathName(date + QStringLiteral(".txt"));
    const QString recipeText = GetLangString(StrId::RecipeFolder);
    const QString recordText = GetLangString(StrId::DataRecordFolder);

    for (const TKivRecipe* recipe : *station.Recipes) {
        const QString folder = SafePathName(recipeText + u'(' + recipe->Name + u')');
        WriteTableFile(*recipe, stationFolder + u'/' + folder, fileName, result);
    }
    for (const TKivDataRecord* record : *station.DataRecords) {
        const QString folder = SafePathName(recordText + u'(' + record->Name + u')');
        WriteTableFile(*record, stationFolder + u'/' + folder, fileName, result);
    }
    if (station.Alarms->Count() > 0) {
        const QString folder = SafePathName(GetLangString(StrId::AlarmFolder));
        WriteTableFile(*station.Alarms, stationFolder + u'/' + folder, fileName, result);
    }
    return result;
}

StationReportsResult WriteStationReports(const TKivStation& station, const QString& projectFolder)
{
    const QString name = StationFolderName(station);
    if (name.isEmpty())
        return WriteStationFolderReports(station, projectFolder);
    return WriteStationFolderReports(station, projectFolder + u'/' + SafePathName(name));
}

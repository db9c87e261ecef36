#include "KivStationReports.h"

#include "KivAlarmDecoder.h"
#include "KivDataRecordDecoder.h"
#include "KivDateFormat.h"
#include "KivRecipeDecoder.h"
#include "KivReportFiles.h"
#include "KivUtil.h"
#include "lang/KivLanRes.h"
#include "lang/LangText.h"
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

// Calls visit(folder name, table definition, decoded table) for each report of the station in
// the order they are written: recipes, data records, then the alarm history when there are
// alarms.
template <class Visit> void ForEachReport(const TKivStation& station, Visit visit)
{
    const QByteArray& image = station.RegisterImage;
    const double time = station.UpdateTime;
    const QString recipeText = GetLangString(StrId::RecipeFolder);
    for (const TKivRecipe* recipe : *station.Recipes)
        visit(SafePathName(recipeText + u'(' + recipe->Name + u')'), *recipe,
              [&] { return TKivRecipeTable(*recipe, image, time); });
    const QString recordText = GetLangString(StrId::DataRecordFolder);
    for (const TKivDataRecord* record : *station.DataRecords)
        visit(SafePathName(recordText + u'(' + record->Name + u')'), *record,
              [&] { return TKivDataRecordTable(*record, image, time); });
    if (station.Alarms->Count() > 0)
        visit(SafePathName(GetLangString(StrId::AlarmFolder)), *station.Alarms,
              [&] { return TKivAlarmTable(*station.Alarms, image, time); });
}

// Refuses, before anything is written, reports that together pass MaxStationReportCells.
void CheckReportSize(const TKivStation& station)
{
    qint64 cells = 0;
    ForEachReport(station, [&](const QString& folder, const auto&, const auto& decode) {
        cells += TableCells(decode());
        if (cells > MaxStationReportCells)
            throw TKivReportError(LangText(StrId::ReportsTooLarge,
                                           {folder, QString::number(MaxStationReportCells)}),
                                  {});
    });
}

// The failure of one file, with the station's files written before it.
[[noreturn]] void ThrowWriteFailure(const TamsorError& error, const QStringList& written)
{
    QString message = error.message() + u'\n';
    if (written.isEmpty())
        message += GetLangString(StrId::ReportsNoneWritten);
    else
        message += GetLangString(StrId::ReportsWrittenBefore) + QStringLiteral("\n  ") +
                   written.join(QStringLiteral("\n  "));
    throw TKivReportError(message, written);
}

} // namespace

StationReportsResult WriteStationFolderReports(const TKivStation& station,
                                               const QString& stationFolder)
{
    CheckReportSize(station);
    StationReportsResult result;
    const QString date =
        FormatDateTime(GetLangString(StrId::ReportFilePattern), station.UpdateTime);
    const QString fileName = SafePathName(date + QStringLiteral(".txt"));
    ForEachReport(station, [&](const QString& folder, const auto& table, const auto&) {
        const QString path = stationFolder + u'/' + folder + u'/' + fileName;
        if (!ForceFileFolder(path)) {
            result.Skipped.append(path);
            return;
        }
        try {
            if (table.ExportTxt(path))
                result.Files.append(path);
        } catch (const TamsorError& error) {
            ThrowWriteFailure(error, result.Files);
        }
    });
    return result;
}

StationReportsResult WriteStationReports(const TKivStation& station, const QString& projectFolder)
{
    const QString name = StationFolderName(station);
    if (name.isEmpty())
        return WriteStationFolderReports(station, projectFolder);
    return WriteStationFolderReports(station, projectFolder + u'/' + SafePathName(name));
}

#include "StringIds.h"

#include <utility>

const QList<int>& allStringIds()
{
    using namespace StrId;
    static const QList<int> ids = [] {
        QList<int> list{MainTitle, MenuFile, MenuExit, MenuTools, MenuLanguage, StationNoModel,
                        ScheduleStarted, ScheduleStopped, SaveChangesCaption, SaveChangesText,
                        OverwriteCaption, OverwriteText, RegisterFileMissing, RegisterFileWrongSize, ReadWindowCaption,
                        ScheduleLogCaption, ScheduleIntervalList, ChannelTypeList, DataBitsList,
                        ParityList, StopBitsList, WidthList, IntegerDisplayList, FloatDisplayList,
                        TimeFormatList, AlarmIndexHeading, AlarmFirstTimeHeading,
                        AlarmSecondTimeHeading, AlarmMessageHeading, TableIndexHeading, NeverRead,
                        ReadAt, OverwriteExportCaption, RecipeTitle, TimeStampHeading,
                        DataRecordTitle, RegisterFileCaption, ReadDone, ReadIdentifying,
                        ReadReading, ReadFailed, ReadWrongModel, AboutCaption, AlarmTitle,
                        RecipeFolder, DataRecordFolder, AlarmFolder, ReportFilePattern,
                        LogLeadingWord, LogSuccess, LogFailure, ReadBusy, ReadBaudRefused,
                        ReadPortUnavailable, ReadBadAddress, ReadConnectFailed,
                        ReadConnectionClosed, ReadNoAnswer, ReadDeviceException,
                        ReadReplyMismatch, ReadBadTcpHeader, ReadCancelled, ReadWindowClose,
                        ReadNoSuchChannelType, ReadUnaskedReplies, ReadLineBusy, ReadOvertime,
                        ReadRepeatedTransaction, ReadBlockRefused,
                        ReadInFlightHint, ReadOptionsCaption, ReadOptionsDefinedOnly,
                        ReadOptionsBlockRegisters, ReadOptionsInFlight, DefineNoModelName,
                        DefineNoModelId, DefineTooManyColumns, DefineTooManyAlarms,
                        DefineTooManyColumnsTotal, ProjectLockHeld, ProjectLockHolder,
                        ProjectLockUnknownHolder, ProjectLockNotCreated, ReportsTooLarge,
                        ReportsWrittenBefore, ReportsNoneWritten, ProjectTooManyObjects,
                        CopyCells, ShowTable, ShowChart, ColumnSetupCaption, DisplayKindLabel,
                        FillZeroCaption, IntWidthLabel, FloatWidthLabel, TimeFormatLabel,
                        ExportCaption, FileFilterText, ExportFailed, ResetZoom, NoValuesToPlot,
                        ChartHint, HistoryRangeList, ScheduleReportsFailed, ScheduleFolderFailed,
                        ScheduleBehind,
                        MenuScheduleLog, HistoryNotWritten, HistorySetAside, HistoryNotAStore,
                        HistoryNewerStore, HistoryNoStore, HistoryCaption, HistoryCannotSetAside,
                        ProjectHistoryLabel, ProjectHistoryOn, ProjectHistoryDefault};
        for (int id = MenuSchedule; id <= RegisterFileLabel; ++id)
            list << id;
        for (int id = HistoryRangeLabel; id <= StoredAlarmCount; ++id)
            list << id;
        for (int type = 0; type <= 2; ++type)
            list << ChannelTypeBase + 1 + type;
        for (int format = 3; format <= 8; ++format)
            list << FormatNameBase + format;
        const std::pair<int, int> lists[] = {
            {ScheduleIntervalList, ScheduleIntervalCount}, {ChannelTypeList, ChannelTypeCount},
            {DataBitsList, DataBitsCount},                 {ParityList, ParityCount},
            {StopBitsList, StopBitsCount},                 {WidthList, WidthCount},
            {IntegerDisplayList, IntegerDisplayCount},     {FloatDisplayList, FloatDisplayCount},
            {TimeFormatList, TimeFormatCount},             {HistoryRangeList, HistoryRangeCount}};
        for (const auto& [first, count] : lists)
            for (int item = 1; item <= count; ++item)
                list << first + item;
        return list;
    }();
    return ids;
}

#pragma once

#include <QList>

// Every string ID the program looks up. Texts live only in the language files
// (lang/<locale>/StrTab.ini as STR%05d); each shipped language defines every ID listed in
// allStringIds(), which a test checks.
namespace StrId
{

constexpr int MainTitle = 1000; // main window title; caption of a project without a title
constexpr int MenuFile = 1010;  // main window menu texts
constexpr int MenuExit = 1011;
constexpr int MenuTools = 1012;
constexpr int MenuLanguage = 1013;
constexpr int StationNoModel = 1120;
constexpr int ScheduleStarted = 1130;
constexpr int ScheduleStopped = 1131;
constexpr int SaveChangesCaption = 1200;
constexpr int SaveChangesText = 1201;
constexpr int OverwriteCaption = 1202;
constexpr int OverwriteText = 1203;
constexpr int RegisterFileMissing = 1204;
constexpr int RegisterFileWrongSize = 1205;
constexpr int ReadWindowCaption = 1300;
constexpr int ScheduleLogCaption = 1400;
constexpr int ChannelTypeBase = 2000; // 2001..2003: names of channel types 0..2
constexpr int FormatNameBase = 2010;  // 2013..2018: names of data formats 3..8
constexpr int ScheduleIntervalList = 2040;
constexpr int ChannelTypeList = 2100;
constexpr int DataBitsList = 2120;
constexpr int ParityList = 2140;
constexpr int StopBitsList = 2160;
constexpr int WidthList = 2180;
constexpr int IntegerDisplayList = 2200;
constexpr int FloatDisplayList = 2210;
constexpr int TimeFormatList = 2220;
constexpr int AlarmIndexHeading = 2240;
constexpr int AlarmFirstTimeHeading = 2241;
constexpr int AlarmSecondTimeHeading = 2242;
constexpr int AlarmMessageHeading = 2243;
constexpr int TableIndexHeading = 9018;
constexpr int NeverRead = 9019;
constexpr int ReadAt = 9020;
constexpr int OverwriteExportCaption = 9021;
constexpr int RecipeTitle = 9022;
constexpr int TimeStampHeading = 9029;
constexpr int DataRecordTitle = 9030;
constexpr int RegisterFileCaption = 9031;
constexpr int ReadDone = 9032;
constexpr int ReadIdentifying = 9033;
constexpr int ReadReading = 9034;
constexpr int ReadFailed = 9035;
constexpr int ReadWrongModel = 9036;
constexpr int AboutCaption = 9037;
constexpr int AlarmTitle = 9038;
constexpr int RecipeFolder = 9040;
constexpr int DataRecordFolder = 9041;
constexpr int AlarmFolder = 9042;
constexpr int ReportFilePattern = 9043;
constexpr int LogLeadingWord = 9044;
constexpr int LogSuccess = 9045;
constexpr int LogFailure = 9046;
constexpr int ReadBusy = 9300;
constexpr int ReadBaudRefused = 9301;
constexpr int ReadPortUnavailable = 9302;
constexpr int ReadBadAddress = 9303;
constexpr int ReadConnectFailed = 9304;
constexpr int ReadConnectionClosed = 9305;
constexpr int ReadNoAnswer = 9306;
constexpr int ReadDeviceException = 9307;
constexpr int ReadReplyMismatch = 9308;
constexpr int ReadBadTcpHeader = 9309;
constexpr int ReadCancelled = 9310;
constexpr int ReadWindowClose = 9311;   // the read window's close button
constexpr int ReadNoSuchChannelType = 9312;
constexpr int ReadUnaskedReplies = 9320;
constexpr int ReadLineBusy = 9321;
constexpr int ReadOvertime = 9322;
constexpr int ReadRepeatedTransaction = 9324;
constexpr int ReadBlockRefused = 9325;
constexpr int ReadInFlightHint = 9326;
// Texts of the channel frame's advanced box: group caption and its three controls.
constexpr int ReadOptionsCaption = 9330;
constexpr int ReadOptionsDefinedOnly = 9331;
constexpr int ReadOptionsBlockRegisters = 9332;
constexpr int ReadOptionsInFlight = 9333;
constexpr int ScheduleReportsFailed = 9500; // schedule log: a read's reports not written, %s why
constexpr int ScheduleFolderFailed = 9501;  // a report folder that cannot be made, %s the file
constexpr int ScheduleBehind = 9502;        // schedule log: %s station behind, %s its next read
constexpr int MenuScheduleLog = 9550;       // the Schedule menu's log item, with its access key
// The history store: why a read's history was not written, and the project frame's field.
constexpr int HistoryNotWritten = 9510;      // %s: the store and why
constexpr int HistorySetAside = 9511;        // %s the damaged store, %s the name it now has
constexpr int HistoryNotAStore = 9512;       // %s the file
constexpr int HistoryNewerStore = 9513;      // %s the file, %s its schema version
constexpr int HistoryNoStore = 9514;         // %s the file
constexpr int HistoryCaption = 9515;
constexpr int HistoryCannotSetAside = 9516;  // %s the damaged store, %s why
constexpr int ProjectHistoryLabel = 9517;    // the project frame's history field
constexpr int ProjectHistoryOn = 9518;
constexpr int ProjectHistoryDefault = 9519;  // placeholder of the field: the default place
constexpr int DefineNoModelName = 9350;
constexpr int DefineNoModelId = 9351;
constexpr int DefineTooManyColumns = 9352;
constexpr int DefineTooManyAlarms = 9353;
constexpr int DefineTooManyColumnsTotal = 9354;
constexpr int ProjectLockHeld = 9360;
constexpr int ProjectLockHolder = 9361;
constexpr int ProjectLockUnknownHolder = 9362;
constexpr int ProjectLockNotCreated = 9363;
constexpr int ReportsTooLarge = 9364;
constexpr int ReportsWrittenBefore = 9365;
constexpr int ReportsNoneWritten = 9366;
constexpr int ProjectTooManyObjects = 9367;
// The main window, its editors and its prompts.
constexpr int MenuSchedule = 9400;
constexpr int MenuHelp = 9401;
constexpr int ActionNew = 9402;
constexpr int ActionOpen = 9403;
constexpr int ActionSave = 9404;
constexpr int ActionSaveAs = 9405;
constexpr int ActionClose = 9406;
constexpr int ActionScheduleRun = 9407;
constexpr int ActionScheduleStop = 9408;
constexpr int ProjectTreeCaption = 9409;
constexpr int FileFilterProject = 9410;
constexpr int FileFilterDefine = 9411;
constexpr int FileFilterAll = 9412;
constexpr int NotAProjectFile = 9413;   // one text argument: the file
constexpr int SaveFailedCaption = 9414;
constexpr int LanguageChoiceDamaged = 9415; // one text argument: why it cannot be read
constexpr int ProjectTitleLabel = 9416;
constexpr int ProjectDescriptionLabel = 9417;
constexpr int ActionAddChannel = 9418;
constexpr int ChannelTypeLabel = 9419;
constexpr int ChannelPortLabel = 9420;
constexpr int ChannelBaudRateLabel = 9421;
constexpr int ChannelDataBitsLabel = 9422;
constexpr int ChannelParityLabel = 9423;
constexpr int ChannelStopBitsLabel = 9424;
constexpr int ChannelAddressLabel = 9425;
constexpr int ChooseRegisterFileHint = 9426;
constexpr int ActionAddStation = 9427;
constexpr int ActionDeleteChannel = 9428;
constexpr int StationNumberLabel = 9429;
constexpr int StationScheduleLabel = 9430;
constexpr int ActionImportDefine = 9431;
constexpr int ActionDeleteStation = 9432;
constexpr int ActionReadStation = 9433;
constexpr int AboutOk = 9434;
constexpr int AboutNotice = 9435;
constexpr int AboutLink = 9436;
constexpr int HintNew = 9437;
constexpr int HintOpen = 9438;
constexpr int HintSave = 9439;
constexpr int OpenFailedCaption = 9440;
constexpr int ImportDefineFailedCaption = 9441;
constexpr int RegisterFileLabel = 9442;
// The definition editors and result frames.
constexpr int CopyCells = 9450;          // the grids' copy command
constexpr int ShowTable = 9451;          // the data-record editor's table / chart toggle
constexpr int ShowChart = 9452;
constexpr int ColumnSetupCaption = 9453; // the editors' setup box
constexpr int DisplayKindLabel = 9455;
constexpr int FillZeroCaption = 9456;
constexpr int IntWidthLabel = 9457;
constexpr int FloatWidthLabel = 9458;
constexpr int TimeFormatLabel = 9459;
constexpr int ExportCaption = 9460;      // the result frames' export command
constexpr int FileFilterText = 9461;     // file dialog filter name of exported tables
constexpr int ExportFailed = 9462;       // %s: why the file could not be written
constexpr int ResetZoom = 9463;          // the chart's zoom reset
constexpr int NoValuesToPlot = 9464;
constexpr int ChartHint = 9465;
// The stored history in the data-record and alarm editors.
constexpr int HistoryRangeList = 9470;   // the chart's range: ring as read, last day ... all
constexpr int HistoryRangeLabel = 9476;
constexpr int NoStoredLogHistory = 9477;
constexpr int StoredHistoryUnreadable = 9478; // %s: why the store cannot be read
constexpr int ShowAlarmsAsRead = 9479;        // the alarm editor's as-read / stored toggle
constexpr int ShowStoredAlarms = 9480;
constexpr int NoStoredAlarms = 9481;
constexpr int StoredAlarmNumberHeading = 9482;
constexpr int StoredAlarmDurationHeading = 9483;
constexpr int StoredAlarmCount = 9484;        // %s: the number of stored alarm lines

// Item counts of the choice lists the shipped languages carry (items at list + 1 onward).
constexpr int ScheduleIntervalCount = 13;
constexpr int ChannelTypeCount = 3;
constexpr int DataBitsCount = 4;
constexpr int ParityCount = 5;
constexpr int StopBitsCount = 2;
constexpr int WidthCount = 11;
constexpr int IntegerDisplayCount = 2;
constexpr int FloatDisplayCount = 1;
constexpr int TimeFormatCount = 8;
constexpr int HistoryRangeCount = 5;

} // namespace StrId

// Every ID above, with each ID of the ranges (2001-2003, 2013-2018) spelled out and the
// items of every choice list that the shipped languages carry.
const QList<int>& allStringIds();

// tamsor-cli info: the project tree with every stored field, as text or JSON.
#include "CliCommand.h"
#include "CliProject.h"
#include "model/KivDateTime.h"
#include "model/KivTamsor.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString localIsoTime(double updateTime)
{
    if (updateTime == 0)
        return QString();
    const QDateTime time = FromKivTime(updateTime);
    return time.isValid() ? time.toString(Qt::ISODateWithMs) : QString();
}

// The image of a station never read is the shared zeros: it is neither counted nor hashed, so a
// project of many such stations shows at once.
int nonZeroRegisters(const TKivStation& station)
{
    int count = 0;
    if (station.WasRead()) {
        for (quint32 r = 0; r < quint32(RegisterCount); ++r)
            count += station.RegisterAt(r) != 0;
    }
    return count;
}

QString imageHash(const TKivStation& station)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(station.RegisterImage, QCryptographicHash::Sha256).toHex());
}

QString imageText(const TKivStation& station)
{
    if (!station.WasRead())
        return QStringLiteral("image never read");
    return QStringLiteral("image SHA-256 %1, %2 non-zero registers")
        .arg(imageHash(station))
        .arg(nonZeroRegisters(station));
}

QJsonObject recipeJson(const TKivRecipe& recipe)
{
    QJsonArray items;
    for (const TKivRecipeItem* item : *recipe.RecipeItems)
        items.append(QJsonObject{{"Title", item->Title}, {"Format", qint64(item->Format)},
                                 {"Width", qint64(item->Width)}, {"IntWidth", item->IntWidth},
                                 {"FloatWidth", item->FloatWidth}, {"Option", qint64(item->Option)}});
    return {{"Name", recipe.Name}, {"Register", qint64(recipe.Register)},
            {"Count", qint64(recipe.Count)}, {"Capacity", qint64(recipe.Capacity)},
            {"RecipeItems", items}};
}

QJsonObject dataRecordJson(const TKivDataRecord& record)
{
    QJsonArray items;
    for (const TKivDataRecordItem* item : *record.DataRecordItems)
        items.append(QJsonObject{{"Title", item->Title}, {"Format", qint64(item->Format)},
                                 {"Width", qint64(item->Width)}, {"IntWidth", item->IntWidth},
                                 {"FloatWidth", item->FloatWidth}, {"Option", qint64(item->Option)},
                                 {"DisplayFormat", item->DisplayFormat}});
    return {{"Name", record.Name}, {"Format", qint64(record.Format)},
            {"Register", qint64(record.Register)}, {"Count", qint64(record.Count)},
            {"Capacity", qint64(record.Capacity)}, {"Tick", qint64(record.Tick)},
            {"DataRecordItems", items}};
}

QJsonObject alarmsJson(const TKivAlarms& alarms)
{
    QJsonArray list;
    for (const TKivAlarm* alarm : alarms)
        list.append(QJsonObject{{"Name", alarm->Name}, {"Group", qint64(alarm->Group)},
                                {"Message", QJsonArray::fromStringList(alarm->Message)}});
    return {{"BackupAddr", qint64(alarms.BackupAddr)}, {"BackupSpace", qint64(alarms.BackupSpace)},
            {"Title1", alarms.Title1}, {"Title2", alarms.Title2}, {"Title3", alarms.Title3},
            {"Tick1DisplayFormat", alarms.Tick1DisplayFormat},
            {"Tick2DisplayFormat", alarms.Tick2DisplayFormat},
            {"DisplayWidth1", qint64(alarms.DisplayWidth1)},
            {"DisplayWidth2", qint64(alarms.DisplayWidth2)},
            {"DisplayWidth3", qint64(alarms.DisplayWidth3)}, {"Alarms", list}};
}

QJsonObject stationJson(const TKivStation& station)
{
    QJsonArray recipes;
    for (const TKivRecipe* recipe : *station.Recipes)
        recipes.append(recipeJson(*recipe));
    QJsonArray records;
    for (const TKivDataRecord* record : *station.DataRecords)
        records.append(dataRecordJson(*record));
    const QString local = localIsoTime(station.UpdateTime);
    const QJsonValue hash = station.WasRead() ? QJsonValue(imageHash(station)) : QJsonValue();
    return {{"Station", stationRefText(station)},
            {"StationNum", qint64(station.StationNum)},
            {"ModelName", station.ModelName},
            {"ModelID", qint64(station.ModelID)},
            {"ScheduleTime", qint64(station.ScheduleTime)},
            {"UpdateTime", station.UpdateTime},
            {"UpdateTimeLocal", local.isEmpty() ? QJsonValue() : QJsonValue(local)},
            {"RegisterSha256", hash},
            {"NonZeroRegisters", nonZeroRegisters(station)},
            {"Recipes", recipes},
            {"DataRecords", records},
            {"Alarms", alarmsJson(*station.Alarms)}};
}

QJsonObject projectJson(const QString& path, const TKivTamsor& root)
{
    QJsonArray channels;
    for (const TKivChannel* channel : *root.Channels) {
        QJsonArray stations;
        for (const TKivStation* station : channel->Stations)
            stations.append(stationJson(*station));
        channels.append(QJsonObject{{"Type", channel->Type}, {"UartPort", channel->UartPort},
                                    {"Baudrate", channel->Baudrate}, {"DataBits", channel->DataBits},
                                    {"StopBit", channel->StopBit}, {"Parity", channel->Parity},
                                    {"Ip", channel->Ip}, {"RegisterFileName", channel->RegisterFileName},
                                    {"DefinedOnly", channel->ReadOptions.DefinedOnly},
                                    {"BlockRegisters", channel->ReadOptions.BlockRegisters},
                                    {"InFlight", channel->ReadOptions.InFlight},
                                    {"Caption", channel->GetCaption()}, {"Stations", stations}});
    }
    return {{"File", path}, {"Title", root.Title}, {"Description", root.Description},
            {"Schedule", qint64(root.Schedule)}, {"Channels", channels}};
}

QString quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

void printStation(QTextStream& out, const TKivStation& station)
{
    const QString local = localIsoTime(station.UpdateTime);
    out << "  Station " << stationRefText(station) << ": StationNum " << station.StationNum
        << ", ModelName " << quoted(station.ModelName) << ", ModelID " << station.ModelID
        << ", ScheduleTime " << station.ScheduleTime << " s\n"
        << "    UpdateTime " << QString::number(station.UpdateTime, 'g', 17)
        << (local.isEmpty() ? QStringLiteral(" (never read)") : QStringLiteral(" (%1)").arg(local))
        << ", " << imageText(station) << "\n";
    for (const TKivRecipe* recipe : *station.Recipes) {
        out << "    Recipe " << quoted(recipe->Name) << ": Register " << recipe->Register << ", Count "
            << recipe->Count << ", Capacity " << recipe->Capacity << "\n";
        for (const TKivRecipeItem* item : *recipe->RecipeItems)
            out << "      Column " << quoted(item->Title) << ": Format " << item->Format << ", Width "
                << item->Width << ", IntWidth " << item->IntWidth << ", FloatWidth "
                << item->FloatWidth << ", Option 0x" << QString::number(item->Option, 16) << "\n";
    }
    for (const TKivDataRecord* record : *station.DataRecords) {
        out << "    Data record " << quoted(record->Name) << ": Format " << record->Format
            << ", Register " << record->Register << ", Count " << record->Count << ", Capacity "
            << record->Capacity << ", Tick " << record->Tick << "\n";
        for (const TKivDataRecordItem* item : *record->DataRecordItems)
            out << "      Column " << quoted(item->Title) << ": Format " << item->Format << ", Width "
                << item->Width << ", IntWidth " << item->IntWidth << ", FloatWidth "
                << item->FloatWidth << ", Option 0x" << QString::number(item->Option, 16)
                << ", DisplayFormat " << quoted(item->DisplayFormat) << "\n";
    }
    const TKivAlarms& alarms = *station.Alarms;
    out << "    Alarms: BackupAddr " << alarms.BackupAddr << ", BackupSpace " << alarms.BackupSpace
        << ", titles " << quoted(alarms.Title1) << " " << quoted(alarms.Title2) << " "
        << quoted(alarms.Title3) << ", tick formats " << quoted(alarms.Tick1DisplayFormat) << " "
        << quoted(alarms.Tick2DisplayFormat) << ", widths " << alarms.DisplayWidth1 << " "
        << alarms.DisplayWidth2 << " " << alarms.DisplayWidth3 << ", " << alarms.Count()
        << " alarms\n";
    int number = 0;
    for (const TKivAlarm* alarm : alarms) {
        out << "      Alarm " << number++ << ": Name " << quoted(alarm->Name) << ", Group "
            << alarm->Group << "\n";
        for (int m = 0; m < alarm->Message.size(); ++m) {
            if (!alarm->Message[m].isEmpty())
                out << "        Message " << m << ": " << quoted(alarm->Message[m]) << "\n";
        }
    }
}

void printProject(QTextStream& out, const QString& path, const TKivTamsor& root)
{
    out << "Project " << path << ": Title " << quoted(root.Title) << ", Schedule " << root.Schedule
        << "\n";
    if (!root.Description.isEmpty())
        out << "Description " << quoted(root.Description) << "\n";
    int position = 0;
    for (const TKivChannel* channel : *root.Channels) {
        out << "Channel " << ++position << ": " << channel->GetCaption() << " (Type " << channel->Type
            << ", UartPort " << quoted(channel->UartPort) << ", Baudrate " << channel->Baudrate
            << ", DataBits " << channel->DataBits << ", StopBit " << channel->StopBit << ", Parity "
            << channel->Parity << ", Ip " << quoted(channel->Ip) << ", RegisterFileName "
            << quoted(channel->RegisterFileName) << ", DefinedOnly " << channel->ReadOptions.DefinedOnly
            << ", BlockRegisters " << channel->ReadOptions.BlockRegisters << ", InFlight "
            << channel->ReadOptions.InFlight << ")\n";
        for (const TKivStation* station : channel->Stations)
            printStation(out, *station);
    }
}

int runInfo(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.zop"), QStringLiteral("Project file."));
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print JSON with the stored key names.")});
    if (!parseCommandArguments(parser, QStringLiteral("info"), arguments))
        return parser.isSet(QStringLiteral("help")) ? 0 : 2;
    if (parser.positionalArguments().size() != 1)
        return commandUsageError(parser, QStringLiteral("info"),
                                 QStringLiteral("expected one project file"));
    const QString path = parser.positionalArguments().first();
    TKivTamsor root;
    openCliProject(path, root);
    if (parser.isSet(QStringLiteral("json")))
        cliOut() << QString::fromUtf8(QJsonDocument(projectJson(path, root)).toJson(QJsonDocument::Indented));
    else
        printProject(cliOut(), path, root);
    cliOut() << Qt::flush;
    return 0;
}

CliCommandRegistration registration({QStringLiteral("info"), QStringLiteral("FILE.zop [--json]"),
                                     QStringLiteral("Show a project's tree with every stored field"),
                                     runInfo});

} // namespace

// make-demo FOLDER: writes demo.def, demo.bin and demo.zop into FOLDER. The project has one
// register-file channel reading "demo.bin" relative to the project's own folder, and one
// station with demo.def imported and a few display settings chosen as a user would in the
// definition editors. The station is left unread: `tamsor-cli read` fills it.

#include "DemoPanel.h"
#include "TamsorError.h"
#include "lang/KivLanRes.h"
#include "model/KivFileInf.h"
#include "model/KivSaveFile.h"
#include "model/KivTamsor.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <cstdio>

namespace
{

void WriteFile(const QString& path, const QByteArray& bytes)
{
    TKivSaveFile file(path);
    file.Write(bytes);
    file.Commit();
}

template <class Items> auto* Column(const Items& items, const QString& title)
{
    for (auto* item : items)
        if (item->Title == title)
            return item;
    throw TamsorError(QStringLiteral("the demo define file has no column \"%1\"").arg(title));
}

// Display settings a user would choose: decimals for floats and tenths, hexadecimal codes
// with zero fill, full dates for time stamps, columns wide enough for their titles and values.
void ChooseDisplay(TKivStation& station)
{
    constexpr quint32 hex = 1, zeroFill = 0x100;
    auto recipe = [&](int i) { return station.Recipes->Items(i)->RecipeItems.get(); };
    Column(*recipe(0), "Flour (kg)")->FloatWidth = 2;
    Column(*recipe(0), "Water (l)")->FloatWidth = 2;
    Column(*recipe(0), "Dough temperature (0.1 C)")->FloatWidth = 1;
    auto* status = Column(*recipe(0), "Status word");
    status->Option = hex | zeroFill;
    status->IntWidth = 4;
    Column(*recipe(1), "Belt speed (m/min)")->FloatWidth = 3;
    auto* label = Column(*recipe(2), "Label code");
    label->Option = hex | zeroFill;
    label->IntWidth = 8;

    // Titles and grid widths (pixels) that show the titles and values whole.
    const QHash<QString, QList<std::pair<QString, quint32>>> columns{
        {"Oven temperatures", {{"Zone 1 (C)", 80}, {"Zone 2 (C)", 80}, {"Zone 3 (C)", 80}}},
        {"Production counters", {{"Loaves", 64}, {"Rejects", 64}}},
        {"Line pressures", {{"Air (kPa)", 72}, {"Water (kPa)", 88}}},
        {"Energy meter", {{"Power (kW)", 88}, {"Energy (kWh)", 104}}},
    };
    for (TKivDataRecord* record : *station.DataRecords) {
        const auto named = columns.value(record->Name);
        int data = 0;
        for (TKivDataRecordItem* item : *record->DataRecordItems) {
            if (item->Format != 8 && data < named.size()) {
                item->Title = named[data].first;
                item->Width = named[data++].second;
            }
            if (item->Format == 8) {
                item->DisplayFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
                item->Width = 136;
            } else if (record->Name == u"Oven temperatures") {
                item->FloatWidth = 1;
            } else if (item->Format == 7) {
                item->FloatWidth = 2;
            }
        }
    }
    station.Alarms->Tick1DisplayFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    station.Alarms->Tick2DisplayFormat = QStringLiteral("hh:mm:ss");
    station.Alarms->DisplayWidth1 = 136;
    station.Alarms->DisplayWidth2 = 72;
    station.Alarms->DisplayWidth3 = 208;
}

void WriteDemo(const QDir& folder)
{
    const QString definePath = folder.filePath(QStringLiteral("demo.def"));
    WriteFile(definePath, QByteArray("\xEF\xBB\xBF") + DemoDefineText().toUtf8());
    WriteFile(folder.filePath(QStringLiteral("demo.bin")), DemoRegisterImage());

    TKivTamsor root;
    root.Start();
    root.Title = QStringLiteral("Demo bakery line");
    root.Description = QStringLiteral("One TP-300 demo panel read from a register file.");
    auto* channel = new TKivChannel(root.Channels.get());
    channel->Type = TKivChannel::TypeRegisterFile;
    channel->RegisterFileName = QStringLiteral("demo.bin"); // beside the project
    auto* station = new TKivStation(channel);
    station->StationNum = 1;
    station->ScheduleTime = 3600;
    QString error;
    if (!station->ImportDefine(definePath, &error))
        throw TamsorError(QStringLiteral("the demo define file was refused: %1").arg(error));
    ChooseDisplay(*station);
    WriteProjectFile(folder.filePath(QStringLiteral("demo.zop")), root);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-demo FOLDER\n");
        return 2;
    }
    // Column and alarm titles come from the language, as in an import by hand.
    LanguageResources.Discover();
    LanguageResources.SelectLanguage(1033);
    try {
        const QDir folder(QString::fromLocal8Bit(argv[1]));
        if (!QDir().mkpath(folder.path()))
            throw TamsorError(QStringLiteral("cannot create folder %1").arg(folder.path()));
        WriteDemo(folder);
        std::printf("wrote demo.def, demo.bin and demo.zop into %s\n", qPrintable(folder.path()));
    } catch (const TamsorError& error) {
        std::fprintf(stderr, "make-demo: %s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}

#include "KivColumnSetup.h"

#include "lang/StringIds.h"
#include "reports/KivUtil.h"

#include <algorithm>
#include <iterator>

namespace
{

template <class T> bool Assign(T& field, T value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

bool SetText(QString& field, const QString& text)
{
    return Assign(field, text);
}

bool SetColumnTitle(TKivColumnItem& column, const QString& title)
{
    return Assign(column.Title, title);
}

bool SetColumnDisplayKind(TKivColumnItem& column, int kind)
{
    if (kind < 0 || quint32(kind) > OptionKindMask)
        return false;
    return Assign(column.Option, (column.Option & ~OptionKindMask) | quint32(kind));
}

bool SetColumnZeroFill(TKivColumnItem& column, bool zeroFill)
{
    const quint32 option =
        zeroFill ? column.Option | OptionZeroFill : column.Option & ~OptionZeroFill;
    return Assign(column.Option, option);
}

bool SetColumnIntWidth(TKivColumnItem& column, int width)
{
    return width >= 0 && Assign(column.IntWidth, qint32(width));
}

bool SetColumnFloatWidth(TKivColumnItem& column, int width)
{
    return width >= 0 && Assign(column.FloatWidth, qint32(width));
}

bool SetColumnDisplayFormat(TKivDataRecordItem& column, const QString& displayFormat)
{
    return Assign(column.DisplayFormat, displayFormat);
}

bool StoreColumnWidth(quint32& stored, int shownWidth, int minimum)
{
    return Assign(stored, quint32(std::max(shownWidth, minimum)));
}

int ShownColumnWidth(quint32 stored, int minimum)
{
    return int(std::clamp<qint64>(stored, minimum, MaximumColumnWidth));
}

int DisplayKindList(quint32 format)
{
    switch (format) {
    case DataFormat::Signed16:
    case DataFormat::Unsigned16:
    case DataFormat::Signed32:
    case DataFormat::Unsigned32:
        return StrId::IntegerDisplayList;
    case DataFormat::Float32:
        return StrId::FloatDisplayList;
    default:
        return 0;
    }
}

TKivSetupPage SetupPageFor(quint32 format)
{
    if (format == quint32(DataFormat::Tick))
        return TKivSetupPage::TimeStamp;
    return DisplayKindList(format) != 0 ? TKivSetupPage::Values : TKivSetupPage::Unchanged;
}

namespace
{

// The alarm history's value columns: title, tick display format (none for the message), width.
struct AlarmColumnFields {
    QString TKivAlarms::*title;
    QString TKivAlarms::*tickFormat;
    quint32 TKivAlarms::*width;
};
constexpr AlarmColumnFields AlarmColumns[] = {
    {&TKivAlarms::Title1, &TKivAlarms::Tick1DisplayFormat, &TKivAlarms::DisplayWidth1},
    {&TKivAlarms::Title2, &TKivAlarms::Tick2DisplayFormat, &TKivAlarms::DisplayWidth2},
    {&TKivAlarms::Title3, nullptr, &TKivAlarms::DisplayWidth3},
};

const AlarmColumnFields* AlarmColumn(int column)
{
    return column >= 0 && column < int(std::size(AlarmColumns)) ? &AlarmColumns[column] : nullptr;
}

} // namespace

QString* AlarmColumnTitle(TKivAlarms& alarms, int column)
{
    const AlarmColumnFields* fields = AlarmColumn(column);
    return fields ? &(alarms.*fields->title) : nullptr;
}

QString* AlarmColumnTickFormat(TKivAlarms& alarms, int column)
{
    const AlarmColumnFields* fields = AlarmColumn(column);
    return fields && fields->tickFormat ? &(alarms.*fields->tickFormat) : nullptr;
}

quint32* AlarmColumnWidth(TKivAlarms& alarms, int column)
{
    const AlarmColumnFields* fields = AlarmColumn(column);
    return fields ? &(alarms.*fields->width) : nullptr;
}

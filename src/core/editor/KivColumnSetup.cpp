#include "KivColumnSetup.h"

#include "lang/StringIds.h"
#include "reports/KivUtil.h"

#include <algorithm>

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

QString* AlarmColumnTitle(TKivAlarms& alarms, int column)
{
    switch (column) {
    case 0:
        return &alarms.Title1;
    case 1:
        return &alarms.Title2;
    case 2:
        return &alarms.Title3;
    default:
        return nullptr;
    }
}

QString* AlarmColumnTickFormat(TKivAlarms& alarms, int column)
{
    switch (column) {
    case 0:
        return &alarms.Tick1DisplayFormat;
    case 1:
        return &alarms.Tick2DisplayFormat;
    default:
        return nullptr;
    }
}

quint32* AlarmColumnWidth(TKivAlarms& alarms, int column)
{
    switch (column) {
    case 0:
        return &alarms.DisplayWidth1;
    case 1:
        return &alarms.DisplayWidth2;
    case 2:
        return &alarms.DisplayWidth3;
    default:
        return nullptr;
    }
}

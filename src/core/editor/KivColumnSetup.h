#pragma once

// What the setup boxes of the definition editors change in a definition, and what they offer
// for each data format. Every setter returns true exactly when the stored value changed: only
// then is the project modified.

#include "model/KivDefinitions.h"

#include <QString>

// Recipe and data-record columns are never narrower than this in the grid or when stored.
constexpr int MinimumColumnWidth = 32;
// Nor wider than this on screen, whatever a damaged project file holds.
constexpr int MaximumColumnWidth = 4096;

bool SetColumnTitle(TKivColumnItem& column, const QString& title);
// Bits 0 to 7 of Option := kind, the other bits kept. A kind outside 0..255 (no choice made)
// changes nothing.
bool SetColumnDisplayKind(TKivColumnItem& column, int kind);
bool SetColumnZeroFill(TKivColumnItem& column, bool zeroFill);
// A negative width (no choice made) changes nothing.
bool SetColumnIntWidth(TKivColumnItem& column, int width);
bool SetColumnFloatWidth(TKivColumnItem& column, int width);
bool SetColumnDisplayFormat(TKivDataRecordItem& column, const QString& displayFormat);

// Stores a grid column's width as the definition keeps it: at least minimum.
bool StoreColumnWidth(quint32& stored, int shownWidth, int minimum);
// The width a grid column is shown with: the stored width, within minimum..MaximumColumnWidth.
int ShownColumnWidth(quint32 stored, int minimum);

// The choice list of display kinds for a column of this data format: 2200 (decimal,
// hexadecimal) for formats 3 to 6, 2210 (floating point) for 7; 0 for any other format, whose
// list stays as it was.
int DisplayKindList(quint32 format);

// Which page of the data-record setup box a column of this data format shows.
enum class TKivSetupPage { Values, TimeStamp, Unchanged };
TKivSetupPage SetupPageFor(quint32 format);

// The alarm history's three value columns: 0 the first time, 1 the second time, 2 the message.
// Their title, tick display format (null for the message) and grid width; null for another
// column.
QString* AlarmColumnTitle(TKivAlarms& alarms, int column);
QString* AlarmColumnTickFormat(TKivAlarms& alarms, int column);
quint32* AlarmColumnWidth(TKivAlarms& alarms, int column);
// Sets a text field; true when it changed.
bool SetText(QString& field, const QString& text);

// The register-image decoders with a random image and random definitions. Input: a define file
// (16-bit-length piece) that gives the tables, display settings (a piece: a time pattern up to
// its first newline, then bytes taken in turn for each column's display kind, integer width and
// decimals), then (register, value) pairs of 16 bits each written into an image of zeros.
#include "FuzzInput.h"

#include "model/KivChannel.h"
#include "model/KivIniFile.h"
#include "model/KivTamsor.h"
#include "reports/KivAlarmDecoder.h"
#include "reports/KivDataRecordDecoder.h"
#include "reports/KivRecipeDecoder.h"

namespace
{

class DisplaySettings
{
public:
    explicit DisplaySettings(const QByteArray& piece)
    {
        const qsizetype newline = piece.indexOf('\n');
        Pattern = QString::fromUtf8(newline < 0 ? piece : piece.left(newline));
        m_bytes = newline < 0 ? QByteArray() : piece.mid(newline + 1);
    }
    void Apply(TKivColumnItem& column)
    {
        if (m_bytes.isEmpty())
            return;
        const quint8 kind = Next();
        column.Option = (kind & 3) | (kind & 4 ? OptionZeroFill : 0);
        column.IntWidth = qint8(Next());
        column.FloatWidth = qint8(Next());
    }
    QString Pattern;

private:
    quint8 Next() { return quint8(m_bytes[m_next++ % m_bytes.size()]); }
    QByteArray m_bytes;
    qsizetype m_next = 0;
};

// Reads the first and last rows of a table; every row has its number and one cell a column.
void ReadTable(const TKivDecodedTable& table, qsizetype columns)
{
    const qint64 rows = table.RowCount();
    FUZZ_CHECK(rows >= 0 && rows <= MaxTableRows);
    FUZZ_CHECK(columns < 0 || rows * qMax<qsizetype>(columns, 1) <= MaxTableCells || rows <= 1);
    QStringList cells;
    for (qint64 row = 0; row < rows; row = row == 7 ? qMax(row + 1, rows - 8) : row + 1) {
        table.RowCells(row, cells);
        FUZZ_CHECK(!cells.isEmpty());
        FUZZ_CHECK(columns < 0 || cells.size() == columns + 1);
    }
    if (rows * qMax<qsizetype>(columns, 1) <= 4096)
        TableText(table);
}

} // namespace

int FuzzRegisterDecoders(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    TKivIniFile ini;
    ini.loadFromData(input.Piece());
    DisplaySettings display(input.Piece());
    const double updateTime = input.Word();

    TKivTamsor root;
    root.Start();
    auto* channel = new TKivChannel(root.Channels.get());
    auto* station = new TKivStation(channel);
    if (!station->ImportDefine(ini))
        return 0;
    QByteArray image(RegisterImageSize, '\0');
    while (input.Remaining() >= 4) {
        const quint16 reg = input.Word();
        const quint16 value = input.Word();
        image[2 * reg] = char(value & 0xFF);
        image[2 * reg + 1] = char(value >> 8);
    }
    station->RegisterImage = image;

    for (TKivRecipe* recipe : *station->Recipes) {
        for (TKivRecipeItem* item : *recipe->RecipeItems)
            display.Apply(*item);
        ReadTable(TKivRecipeTable(*recipe, image, updateTime), recipe->RecipeItems->Count());
    }
    for (TKivDataRecord* record : *station->DataRecords) {
        for (TKivDataRecordItem* item : *record->DataRecordItems) {
            display.Apply(*item);
            item->DisplayFormat = display.Pattern;
        }
        ReadTable(TKivDataRecordTable(*record, image, updateTime),
                  record->DataRecordItems->Count());
        record->EntryTick(record->EntryCount() - 1);
    }
    station->Alarms->Tick1DisplayFormat = display.Pattern;
    station->Alarms->Tick2DisplayFormat = display.Pattern.left(3);
    ReadTable(TKivAlarmTable(*station->Alarms, image, updateTime), -1);
    return 0;
}

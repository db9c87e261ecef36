#include "KivRecipeDecoder.h"

#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivChannel.h"

#include <algorithm>

TKivRecipeTable::TKivRecipeTable(const TKivRecipe& recipe, const QByteArray& image,
                                 double updateTime)
    : m_image(image), m_register(recipe.Register), m_capacity(recipe.Capacity)
{
    Title = FormatTemplate(GetLangString(StrId::RecipeTitle), {recipe.Name});
    UpdateText = UpdateTimeText(updateTime);
    Heading.append(GetLangString(StrId::TableIndexHeading));
    qint64 offset = 0;
    for (const TKivRecipeItem* item : *recipe.RecipeItems) {
        Heading.append(item->Title);
        const int format = int(item->Format);
        m_columns.push_back({format, {item->IntWidth, item->FloatWidth, item->Option}, offset});
        offset += FormatRegisterCount(format);
    }

    if (m_register < RegisterCount) {
        // The device's count is signed: 2^31 or more ("Count=-1") means no records.
        m_rows = std::clamp<qint64>(qint32(recipe.Count), 0, MaxTableRows);
        if (m_capacity > 0) // records that start inside the image
            m_rows = std::min(m_rows, (RegisterCount - m_register + m_capacity - 1) / m_capacity);
        m_rows = BoundedTableRows(m_rows, qint64(m_columns.size()));
    }
}

void TKivRecipeTable::RowCells(qint64 row, QStringList& cells) const
{
    cells.clear();
    cells.append(QString::number(row));
    const qint64 start = m_register + row * m_capacity;
    for (const Column& column : m_columns) {
        ValueFormat display = column.display;
        const auto value = TakeImageValue(m_image, start + column.offset, column.format, display);
        cells.append(value ? FormatValue(*value, display) : QString());
    }
}

TKivStation* TKivRecipe::Station() const
{
    return Owner ? Owner->Owner : nullptr;
}

bool TKivRecipe::ExportTxt(const QString& fileName) const
{
    const TKivStation* station = Station();
    if (!station)
        return false;
    TableText(TKivRecipeTable(*this, station->RegisterImage, station->UpdateTime))
        .SaveToFile(fileName);
    return true;
}

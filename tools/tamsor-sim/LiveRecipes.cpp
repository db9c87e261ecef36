#include "LiveRecipes.h"

#include "model/KivDefinitions.h"
#include "reports/KivUtil.h"

#include <algorithm>
#include <cmath>

LiveRecipes::LiveRecipes(const TKivRecipes& recipes)
{
    for (const TKivRecipe* recipe : recipes) {
        const qint64 count = std::max<qint64>(qint32(recipe->Count), 0); // signed on the device
        const qint64 stride = recipe->Capacity;
        qint64 offset = 0;
        for (const TKivRecipeItem* item : *recipe->RecipeItems) {
            const int format = int(item->Format);
            const int registers = FormatRegisterCount(format);
            const qint64 first = qint64(recipe->Register) + offset;
            offset += registers;
            if (registers == 0 || count == 0 || first + registers > RegisterCount)
                continue;
            const qint64 inside =
                stride == 0 ? 1 : (RegisterCount - first - registers) / stride + 1;
            m_columns.push_back({first, stride, std::min(count, inside), format});
        }
    }
}

void LiveRecipes::ChangeOne(LiveImage& image, LiveRandom& random) const
{
    if (m_columns.empty())
        return;
    const Column& column = m_columns[size_t(random.Between(0, int(m_columns.size()) - 1))];
    const qint64 r = column.first + column.stride * random.Between(0, int(column.records) - 1);
    auto value = [&] {
        ValueFormat display;
        return TakeImageValue(image.View(), r, column.format, display).value_or(0);
    };
    const quint32 before = value();
    double number = LiveNumber(before, column.format);
    if (!std::isfinite(number))
        number = 0;
    double step = std::abs(number) * random.Within(0.01, 0.05);
    step = column.format == DataFormat::Float32 ? std::max(std::round(step * 100) / 100, 0.25)
                                                : std::max(std::round(step), 1.0);
    if (random.Uniform() < 0.5)
        step = -step;
    SetLiveNumber(image, r, column.format, number + step);
    if (value() == before) // at the end of the format's range: the other way
        SetLiveNumber(image, r, column.format, number - step);
}

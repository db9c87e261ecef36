#include "LiveImage.h"

#include "reports/KivUtil.h"

#include <algorithm>
#include <cmath>
#include <limits>

double LiveNumber(quint32 raw, int dataFormat)
{
    switch (dataFormat) {
    case DataFormat::Signed16:
        return qint16(raw);
    case DataFormat::Signed32:
        return qint32(raw);
    case DataFormat::Float32:
        return std::bit_cast<float>(raw);
    default:
        return raw;
    }
}

namespace
{

template <typename T> T Clamped(double number)
{
    const double rounded = std::round(number);
    if (!(rounded >= double(std::numeric_limits<T>::min()))) // also for NaN
        return std::numeric_limits<T>::min();
    return rounded >= double(std::numeric_limits<T>::max()) ? std::numeric_limits<T>::max()
                                                            : T(rounded);
}

} // namespace

void SetLiveNumber(LiveImage& image, qint64 r, int dataFormat, double number)
{
    switch (dataFormat) {
    case DataFormat::Signed16:
        image.Set(r, quint16(Clamped<qint16>(number)));
        break;
    case DataFormat::Unsigned16:
        image.Set(r, Clamped<quint16>(number));
        break;
    case DataFormat::Signed32:
        image.Set32(r, quint32(Clamped<qint32>(number)));
        break;
    case DataFormat::Unsigned32:
        image.Set32(r, Clamped<quint32>(number));
        break;
    case DataFormat::Float32:
        image.Set32(r, std::bit_cast<quint32>(float(number)));
        break;
    }
}

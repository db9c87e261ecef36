#include "KivRegistry.h"

#include "TamsorError.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <cstring>

namespace
{

// QSettings keeps an INI file per path; the file name is recomputed for every call so that a
// changed XDG_CONFIG_HOME (tests) takes effect at once.
QSettings openStore()
{
    return QSettings(TKivRegistry::StoreFileName(), QSettings::IniFormat);
}

QString wrongType(const QString& valueName, const char* expected)
{
    return QStringLiteral("The setting \"%1\" in %2 is not a %3 value.")
        .arg(valueName, TKivRegistry::StoreFileName(), QLatin1String(expected));
}

} // namespace

TKivRegistry::TKivRegistry(const QString& keyPath, int mode) : Mode(mode), m_keyPath(keyPath) {}

QString TKivRegistry::StoreFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Kiv/Tamsor.ini");
}

QString TKivRegistry::settingsKey(const QString& subKey, const QString& valueName) const
{
    QStringList parts = (m_keyPath + subKey).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    parts << valueName;
    return parts.join(QLatin1Char('/'));
}

void TKivRegistry::ExchangeBinary(const QString& subKey, const QString& valueName, int size,
                                  void* buffer)
{
    if (Mode != ModeRead && Mode != ModeWrite)
        return;
    QSettings store = openStore();
    const QString key = settingsKey(subKey, valueName);
    if (Mode == ModeWrite) {
        store.setValue(key, QByteArray(static_cast<const char*>(buffer), qMax(size, 0)));
        return;
    }
    const QVariant value = store.value(key);
    if (!value.isValid())
        return;
    if (value.typeId() != QMetaType::QByteArray)
        throw TamsorError(wrongType(valueName, "binary"));
    const QByteArray bytes = value.toByteArray();
    if (bytes.size() > size)
        throw TamsorError(
            QStringLiteral("The setting \"%1\" in %2 holds %3 bytes; at most %4 are expected.")
                .arg(valueName, StoreFileName())
                .arg(bytes.size())
                .arg(size));
    std::memcpy(buffer, bytes.constData(), bytes.size());
}

void TKivRegistry::ExchangeString(const QString& subKey, const QString& valueName, QString& text)
{
    if (Mode != ModeRead && Mode != ModeWrite)
        return;
    QSettings store = openStore();
    const QString key = settingsKey(subKey, valueName);
    if (Mode == ModeWrite) {
        store.setValue(key, text);
        return;
    }
    const QVariant value = store.value(key);
    if (!value.isValid())
        return;
    if (value.typeId() != QMetaType::QString)
        throw TamsorError(wrongType(valueName, "string"));
    text = value.toString();
}

#pragma once

#include <QString>

// The program's small settings store. One object is bound to a key path and a direction:
// Mode 0 reads a value into the caller's variable, Mode 1 writes the variable out, any other
// mode does nothing; so loading and saving a setting are written once.
//
// The values live in an INI file in the user's configuration folder ($XDG_CONFIG_HOME/Kiv/
// Tamsor.ini); the key path and subkey ("Software\Kiv\Tamsor\v1.0" + "\Default") become
// nested groups. Binary values are stored as byte arrays, strings as strings, so a value of
// the wrong type is recognised when it is read.
class TKivRegistry
{
public:
    enum { ModeRead = 0, ModeWrite = 1 };

    TKivRegistry(const QString& keyPath, int mode);

    // Read: fills the first bytes of buffer with the stored value (at most size bytes; the
    // rest of the buffer keeps its contents). Write: stores size bytes of buffer.
    // Throws TamsorError naming the value when the stored value is not binary or is longer
    // than size. An absent value leaves the buffer unchanged.
    void ExchangeBinary(const QString& subKey, const QString& valueName, int size, void* buffer);

    // Read: replaces text by the stored string. Write: stores text. Throws TamsorError naming
    // the value when the stored value is not a string. An absent value leaves text unchanged.
    void ExchangeString(const QString& subKey, const QString& valueName, QString& text);

    // The INI file that holds every key; follows XDG_CONFIG_HOME at each call.
    static QString StoreFileName();

    int Mode;

private:
    QString settingsKey(const QString& subKey, const QString& valueName) const;

    QString m_keyPath;
};

// Key path of the program's settings and the names of its values.
namespace KivSettings
{
inline const QString KeyPath = QStringLiteral("Software\\Kiv\\Tamsor\\v1.0");
inline const QString DefaultSubKey = QStringLiteral("\\Default");
inline const QString LocalId = QStringLiteral("LocalID");
inline const QString RecentProject = QStringLiteral("RecentProject");
} // namespace KivSettings

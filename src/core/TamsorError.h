#pragma once

#include <QString>
#include <stdexcept>

// Failure of a layer below the program's own operations (stream read past the end, a file
// that cannot be opened, a zlib error). Carries the message the user sees unchanged.
class TamsorError : public std::runtime_error {
public:
    explicit TamsorError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    QString message() const { return m_message; }

private:
    QString m_message;
};

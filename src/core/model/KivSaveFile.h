#pragma once

#include <QSaveFile>
#include <QString>

// Replaces a file whole or not at all. The new contents go to a temporary file beside the
// target; Commit renames it over the target only when every byte has reached the disk. Any
// failure on the way (a full disk, a file-size limit, an I/O error) throws TamsorError
// "Cannot create file "<name>". <system's reason>", removes the temporary file and leaves the
// old file exactly as it was. A file dropped without Commit is discarded.
//
// Writes are not buffered in the process: each one reaches the system at once, so its error
// shows where it happens instead of when a buffer is flushed later.
class TKivSaveFile {
public:
    explicit TKivSaveFile(const QString& path);
    TKivSaveFile(const TKivSaveFile&) = delete;
    TKivSaveFile& operator=(const TKivSaveFile&) = delete;

    void Write(const char* data, qint64 size);
    void Write(const QByteArray& bytes) { Write(bytes.constData(), bytes.size()); }
    // Flushes the data to the disk and puts the file in place of the old one.
    void Commit();

private:
    [[noreturn]] void Fail(const QString& reason);

    QString m_path;
    QSaveFile m_file;
};

#pragma once

#include "KivSerialization.h"

#include <QByteArray>
#include <QString>

class TKivTamsor;

// The file-information block that follows the magic of a project file; it has no entries.
class TKivFileInf : public TKivPersistent {
public:
    QString ClassName() const override { return QStringLiteral("TKivFileInf"); }
    void Serialize(TKivSerialization&) override {}
};

// Writes root as a project file at path, atomically: on any failure (TamsorError "Cannot
// create file "%s". %s") the old file and root stay as they were.
void WriteProjectFile(const QString& path, TKivTamsor& root);

// Reads the project file at path into root. Returns false, touching nothing, when the file
// does not begin with "zop0". Other failures throw TamsorError ("Cannot open file "%s". %s",
// "Stream read error", zlib's text) and leave root untouched; on success root holds the loaded
// project, open, with its previous channels destroyed.
bool ReadProjectFile(const QString& path, TKivTamsor& root);

// The bytes of a project file for root, and their reading, without touching the file system.
QByteArray EncodeProjectFile(TKivTamsor& root);
bool DecodeProjectFile(const QByteArray& file, TKivTamsor& root);

// The largest inflated project body accepted (1 GiB); larger bodies fail with
// "Out of memory while expanding memory stream" instead of exhausting memory.
constexpr qsizetype MaxProjectBodySize = qsizetype(1) << 30;

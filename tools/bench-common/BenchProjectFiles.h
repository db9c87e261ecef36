#pragma once

// Project files for the benches that the program itself would not write.
#include <QByteArray>
#include <QString>

namespace BenchProjectFiles
{
// zlib alone as the project file uses it: default level, 32 KiB of input and output per call,
// the compressed stream collected in a growing buffer.
QByteArray ZlibDeflate(const QByteArray& body);

// The body of a project whose channels each hold only empty station blocks: the smallest file
// that makes the loader create many stations (80,000 of them take under 100 KB).
QByteArray EmptyStationsBody(int channels, int stationsPerChannel);

// Writes body, deflated, as a project file at path; false when it cannot be written.
bool WriteProjectBody(const QString& path, const QByteArray& body);
} // namespace BenchProjectFiles

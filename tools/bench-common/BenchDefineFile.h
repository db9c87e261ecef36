#pragma once

// The large define file both benches use: 10,000 recipes of 16 columns, 1,000 data records and
// 5,000 alarms.
#include <QString>

namespace BenchDefine
{
constexpr int Recipes = 10000;
constexpr int Columns = 16;
constexpr int Records = 1000;
constexpr int Alarms = 5000;

QString Text();
// Writes bytes to path; ends the program with a message when that fails.
void WriteFile(const QString& path, const QByteArray& bytes);
} // namespace BenchDefine

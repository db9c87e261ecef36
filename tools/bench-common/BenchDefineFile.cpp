#include "BenchDefineFile.h"

#include <QFile>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>

namespace BenchDefine
{

QString Text()
{
    QString text;
    QTextStream out(&text);
    out << "[Model]\r\nName=Bench Panel\r\nID=0x1F4\r\nDescription=\"Large define file\"\r\n";
    for (int r = 0; r < Recipes; ++r) {
        out << QString::asprintf("[RECIPE%04d]\r\nName=Recipe %d\r\nRegister=%d\r\nCount=100\r\n"
                                 "Capacity=32\r\nColumn=%d\r\n",
                                 r, r, 1000 + r, Columns);
        for (int c = 0; c < Columns; ++c)
            out << QString::asprintf("Title%04d=Column %d\r\nFormat%04d=%d\r\nWidth%04d=64\r\n", c,
                                     c, c, 3 + c % 5, c);
    }
    for (int r = 0; r < Records; ++r)
        out << QString::asprintf("[RECORD%04d]\r\nName=Log %d\r\nFormat=3\r\nRegister=$%X\r\n"
                                 "Count=500\r\nCapacity=8\r\nTick=1\r\nColumn=8\r\n",
                                 r, r, 20000 + r);
    out << QString::asprintf("[ALARM]\r\nAlarmCount=%d\r\nBackupAddr=40000\r\nBackupSpace=816\r\n",
                             Alarms);
    for (int a = 0; a < Alarms; ++a) {
        out << QString::asprintf("[ALARM%04d]\r\nGroup=%d\r\n", a, a % 8);
        for (int s = 0; s < 16; ++s)
            out << QString::asprintf("String%04d=Alarm %d message line %d\r\n", s, a, s);
    }
    out.flush();
    return text;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

} // namespace BenchDefine

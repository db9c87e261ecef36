#include "KivReportFiles.h"

#include "model/KivSaveFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <QtEndian>

namespace
{

constexpr qsizetype MaxNameBytes = 255;

// Cuts name so that its UTF-8 form holds at most MaxNameBytes bytes, never inside a surrogate
// pair.
QString CutToNameLength(const QString& name)
{
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char32_t c = name[i].unicode();
        qsizetype width = c < 0x80 ? 1 : (c < 0x800 ? 2 : 3);
        qsizetype units = 1;
        if (name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            width = 4;
            units = 2;
        }
        if (bytes + width > MaxNameBytes)
            return name.left(i);
        bytes += width;
        i += units - 1;
    }
    return name;
}

} // namespace

QString SafePathName(const QString& name)
{
    QString safe = name;
    for (QChar& c : safe) {
        if (c == u'/' || c == QChar(0))
            c = u'_';
    }
    if (safe.isEmpty() || safe == u"." || safe == u"..")
        return QString(std::max<qsizetype>(safe.size(), 1), u'_');
    return CutToNameLength(safe);
}

bool ForceFileFolder(const QString& filePath)
{
    const qsizetype slash = filePath.lastIndexOf(u'/');
    if (slash < 0)
        return true;
    const QString folder = slash == 0 ? QStringLiteral("/") : filePath.left(slash);
    if (QFileInfo(folder).isDir())
        return true;
    return QDir().mkpath(folder) && QFileInfo(folder).isDir();
}

void TKivTableText::AddLine(QStringView line)
{
    m_text += line;
    EndRow();
}

void TKivTableText::AddRow(const QStringList& cells)
{
    AddLine(cells.join(u'\t'));
}

void TKivTableText::StartRow(QStringView firstCell)
{
    m_text += firstCell;
}

void TKivTableText::AddCell(QStringView cell)
{
    m_text += u'\t';
    m_text += cell;
}

void TKivTableText::EndRow()
{
    m_text += QLatin1StringView("\r\n");
    ++m_lines;
}

QByteArray TKivTableText::Bytes() const
{
    QByteArray bytes(2 + 2 * m_text.size(), Qt::Uninitialized);
    bytes[0] = char(0xFF);
    bytes[1] = char(0xFE);
    qToLittleEndian<quint16>(m_text.utf16(), m_text.size(), bytes.data() + 2);
    return bytes;
}

void TKivTableText::SaveToFile(const QString& fileName) const
{
    TKivSaveFile file(fileName);
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        // The text's UTF-16 code units already are the file's bytes: no copy of a large table.
        file.Write("\xFF\xFE", 2);
        file.Write(reinterpret_cast<const char*>(m_text.utf16()), 2 * m_text.size());
    } else {
        file.Write(Bytes());
    }
    file.Commit();
}

#pragma once

// A grid's cells and a report file's lines in one shape, to compare them line for line.
#include "reports/KivTableModel.h"

#include <QFile>
#include <QString>
#include <QStringList>

// What a grid shows: the heading line (corner and column titles), then per record row its
// number and cells, as tab-separated lines like a report file's lines 3 onward.
inline QStringList GridLines(const TKivTableModel& model)
{
    QStringList lines;
    QStringList heading{model.CornerText()};
    for (int c = 0; c < model.columnCount(); ++c)
        heading << model.headerData(c, Qt::Horizontal).toString();
    lines << heading.join(u'\t');
    for (int r = 0; r < model.rowCount(); ++r) {
        if (model.IsPlaceholderRow(r))
            continue;
        QStringList cells{model.headerData(r, Qt::Vertical).toString()};
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.index(r, c).data().toString();
        lines << cells.join(u'\t');
    }
    return lines;
}

// The lines of a report file (UTF-16LE with byte-order mark, CR LF line ends) from line 3 on.
inline QStringList ReportLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll().mid(2);
    const QString text(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast(); // after the last line end
    return lines.mid(2);
}

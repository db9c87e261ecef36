#pragma once

// Pieces the report writer and the decoders share: path components made safe, folder creation,
// and the tab-separated UTF-16LE text every decoded table is written as.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

// A name made safe to be one component of a report path: "/" and NUL become "_", a name that
// is empty, "." or ".." becomes as many "_" (at least one), and a name longer than a file
// system allows (255 UTF-8 bytes) is cut at a character boundary. Everything else, blanks,
// parentheses, backslashes and non-ASCII letters included, stays. Apply it to each whole
// component (for example text 9040 + "(" + recipe name + ")"), so that no name taken from a
// define file, a channel or a language can lead out of the report root.
QString SafePathName(const QString& name);

// Makes sure the folder part of filePath (everything before the last "/") exists, creating it
// with every missing parent. True when it exists afterwards as a folder; false when it could not
// be created (or is a file). A path without a folder part refers to the current folder: true.
bool ForceFileFolder(const QString& filePath);

// A decoded table as text: lines ended by CR LF, cells separated by one TAB (none at a line's
// end). Built whole in memory and written in one step.
class TKivTableText
{
public:
    void Reserve(qsizetype characters) { m_text.reserve(characters); }
    void AddLine(QStringView line);
    void AddRow(const QStringList& cells);

    // A row built cell by cell: StartRow(first cell), AddCell for each further cell (a TAB,
    // then the cell), EndRow.
    void StartRow(QStringView firstCell);
    void AddCell(QStringView cell);
    void EndRow();

    const QString& Text() const { return m_text; }
    int LineCount() const { return m_lines; }

    // The byte-order mark FF FE, then the text in UTF-16 little-endian.
    QByteArray Bytes() const;

    // Creates or replaces fileName with Bytes(). The old file stays as it was until the new one
    // is complete. A file that cannot be created or written throws TamsorError with the message
    // "Cannot create file "<name>". <reason>".
    void SaveToFile(const QString& fileName) const;

private:
    QString m_text;
    int m_lines = 0;
};

#pragma once

// Reader of define files (INI text). The file is parsed once into lookup tables that point into
// the decoded text instead of copying names and values out of it, so memory stays a small
// multiple of the file's size whatever its shape (millions of one-key sections included);
// every read afterwards is a hash lookup.
//
// Value rules, which define files from the field rely on:
// - section and key names match regardless of letter case; blanks around them do not count;
// - a value is the text after the first "=" without leading and trailing blanks (spaces, TABs);
//   a value enclosed in a pair of the same quotation marks (' or ") loses them; a value longer
//   than 2,047 characters is cut to 2,047;
// - when a section name occurs more than once, the first section of that name is the one read
//   and the later ones are ignored whole; within a section the first line of a key wins;
// - lines starting with ";" are comments; lines without "=" and keys before the first section
//   are ignored; a "[" line without "]" names a section up to the line's end.
//
// Encodings: UTF-16 LE or BE with a byte-order mark, UTF-8 with or without one; a file without
// a byte-order mark that is not valid UTF-8 is read in the legacy 8-bit encoding, Windows-1252
// unless another one is set. Lines end with CR LF, LF or CR.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

class TKivIniFile
{
public:
    enum class Encoding { Utf8, Utf8WithBom, Utf16LE, Utf16BE, Legacy };

    static constexpr int MaxValueLength = 2047;
    static constexpr qint64 MaxFileSize = 128 * 1024 * 1024;

    // The 8-bit encoding (a name the platform's converters know, e.g. "GBK", "Big5") used for
    // files that are not valid UTF-8 and carry no byte-order mark. Empty: Windows-1252.
    void setLegacyEncoding(const QByteArray& name) { m_legacyEncoding = name; }

    // Reads and parses the file. False, with a message in *error ("Cannot open file "<name>".
    // <reason>"), when it cannot be read or is larger than MaxFileSize; the reader is empty then.
    bool open(const QString& fileName, QString* error = nullptr);

    // Parses the bytes of a define file held in memory.
    void loadFromData(const QByteArray& data);

    // The value of key in section, or defaultValue when the section or key is missing.
    QString readString(QStringView section, QStringView key,
                       const QString& defaultValue = QString()) const;

    // The value as an integer (see parseInteger), or defaultValue when the key is missing or its
    // value is not a valid number.
    qint32 readInteger(QStringView section, QStringView key, qint32 defaultValue) const;

    bool hasSection(QStringView section) const;

    Encoding encoding() const { return m_encoding; }

    // An integer in the define-file syntax: an optional sign, then decimal digits, or
    // hexadecimal digits after "$" or "0x" / "0X". Decimal numbers must lie in the signed 32-bit
    // range; hexadecimal numbers may use all 32 bits and are taken as signed ("$FFFFFFFF" is
    // -1). Anything else, including an empty text, blanks or trailing characters ("12abc"),
    // is not a number.
    static std::optional<qint32> parseInteger(QStringView text);

    // A section or key name compared without regard to case, with the hash of its folded form
    // (so that most names that differ are told apart without comparing their letters).
    struct Name {
        explicit Name(QStringView name);
        QStringView text;
        quint32 hash;
    };

private:
    // A run of the decoded text, as offsets (a 128 MB file has fewer than 2^31 characters).
    struct Span {
        qint32 start;
        qint32 length;
    };
    // One key line of a section. A section's entries lie together, sorted by the keys' hashes
    // and, for equal hashes, in the order of the file.
    struct Entry {
        quint32 hash;
        Span key;
        Span value;
    };
    struct Section {
        qint32 first; // index of its first entry
        qint32 count;
    };

    QString decode(const QByteArray& data);
    void parse();
    void clear();
    void sortEntries(const Section& section);
    QStringView text(const Span& span) const { return QStringView(m_text).sliced(span.start, span.length); }
    Span spanOf(QStringView part) const;
    std::optional<QStringView> find(QStringView section, QStringView key) const;

    QString m_text; // the decoded file; every name and value is a part of it
    QHash<Name, Section> m_sections;
    std::vector<Entry> m_entries;
    QByteArray m_legacyEncoding;
    Encoding m_encoding = Encoding::Utf8;
};

size_t qHash(const TKivIniFile::Name& name, size_t seed = 0);
bool operator==(const TKivIniFile::Name& a, const TKivIniFile::Name& b);

#include "KivIniFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace
{

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView TrimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// Section and key names compared without regard to case: plain ASCII names (all of a define
// file's own) are lowered directly, others case-folded.
QString FoldName(QStringView name)
{
    QString folded(name.size(), Qt::Uninitialized);
    QChar* out = folded.data();
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            return name.toString().toCaseFolded();
        *out++ = QChar(u >= u'A' && u <= u'Z' ? u + 32 : u);
    }
    return folded;
}

QString ValueText(QStringView raw)
{
    QStringView value = TrimBlanks(raw);
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.left(TKivIniFile::MaxValueLength).toString();
}

// Windows-1252: Latin-1 except for 0x80-0x9F; the five codes it leaves unassigned map to the
// control characters of the same number.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString DecodeWindows1252(const QByteArray& data)
{
    QString text(data.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (char byte : data) {
        const uchar b = uchar(byte);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

QString DecodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    // A file cut inside a UTF-16 code unit loses the half unit.
    if (encoding != QStringConverter::Utf8 && bytes.size() % 2 != 0)
        bytes.chop(1);
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace

bool TKivIniFile::open(const QString& fileName, QString* error)
{
    m_sections.clear();
    QFile file(fileName);
    QString reason;
    if (!file.open(QIODevice::ReadOnly))
        reason = file.errorString();
    else if (file.size() > MaxFileSize)
        reason = QStringLiteral("The file is larger than %1 MB.").arg(MaxFileSize >> 20);
    if (reason.isEmpty()) {
        const QByteArray data = file.read(MaxFileSize + 1);
        if (file.error() != QFileDevice::NoError)
            reason = file.errorString();
        else if (data.size() > MaxFileSize)
            reason = QStringLiteral("The file is larger than %1 MB.").arg(MaxFileSize >> 20);
        else
            loadFromData(data);
    }
    if (reason.isEmpty())
        return true;
    m_sections.clear();
    if (error) {
        *error = QStringLiteral("Cannot open file \"%1\". %2")
                     .arg(QDir::toNativeSeparators(fileName), reason);
    }
    return false;
}

void TKivIniFile::loadFromData(const QByteArray& data)
{
    m_sections.clear();
    const QString text = decode(data);
    parse(text);
}

QString TKivIniFile::decode(const QByteArray& data)
{
    if (data.startsWith("\xFF\xFE")) {
        m_encoding = Encoding::Utf16LE;
        return DecodeWith(QStringConverter::Utf16LE, QByteArrayView(data).sliced(2));
    }
    if (data.startsWith("\xFE\xFF")) {
        m_encoding = Encoding::Utf16BE;
        return DecodeWith(QStringConverter::Utf16BE, QByteArrayView(data).sliced(2));
    }
    if (data.startsWith("\xEF\xBB\xBF")) {
        m_encoding = Encoding::Utf8WithBom;
        return DecodeWith(QStringConverter::Utf8, QByteArrayView(data).sliced(3));
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(data);
    if (!utf8.hasError()) {
        m_encoding = Encoding::Utf8;
        return text;
    }
    m_encoding = Encoding::Legacy;
    if (!m_legacyEncoding.isEmpty()) {
        QStringDecoder legacy(m_legacyEncoding.constData(), QStringConverter::Flag::Stateless);
        if (legacy.isValid())
            return legacy.decode(data);
    }
    return DecodeWindows1252(data);
}

void TKivIniFile::parse(QStringView text)
{
    Section* current = nullptr;
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QStringView line = TrimBlanks(text.sliced(pos, end - pos));
        pos = end + 1;
        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const qsizetype close = line.indexOf(u']');
            const QStringView name =
                TrimBlanks(close < 0 ? line.sliced(1) : line.sliced(1, close - 1));
            const QString folded = FoldName(name);
            current = m_sections.contains(folded) ? nullptr : &m_sections[folded];
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!current || equals < 0)
            continue;
        const QStringView key = TrimBlanks(line.first(equals));
        if (key.isEmpty())
            continue;
        const QString folded = FoldName(key);
        if (!current->contains(folded))
            current->insert(folded, ValueText(line.sliced(equals + 1)));
    }
}

QString TKivIniFile::readString(QStringView section, QStringView key,
                                const QString& defaultValue) const
{
    const auto sectionIt = m_sections.constFind(FoldName(TrimBlanks(section)));
    if (sectionIt == m_sections.cend())
        return defaultValue;
    const auto keyIt = sectionIt->constFind(FoldName(TrimBlanks(key)));
    return keyIt == sectionIt->cend() ? defaultValue : *keyIt;
}

qint32 TKivIniFile::readInteger(QStringView section, QStringView key, qint32 defaultValue) const
{
    const auto sectionIt = m_sections.constFind(FoldName(TrimBlanks(section)));
    if (sectionIt == m_sections.cend())
        return defaultValue;
    const auto keyIt = sectionIt->constFind(FoldName(TrimBlanks(key)));
    if (keyIt == sectionIt->cend())
        return defaultValue;
    return parseInteger(*keyIt).value_or(defaultValue);
}

bool TKivIniFile::hasSection(QStringView section) const
{
    return m_sections.contains(FoldName(TrimBlanks(section)));
}

std::optional<qint32> TKivIniFile::parseInteger(QStringView text)
{
    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    int base = 10;
    if (pos < text.size() && text[pos] == u'$') {
        base = 16;
        pos += 1;
    } else if (pos + 1 < text.size() && text[pos] == u'0' &&
               (text[pos + 1] == u'x' || text[pos + 1] == u'X')) {
        base = 16;
        pos += 2;
    }
    if (pos == text.size())
        return std::nullopt;

    // Hexadecimal may fill all 32 bits; decimal stops at 2^31 (only -2^31 may reach it).
    const quint64 limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    quint64 magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const char16_t c = text[pos].unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    const quint32 bits = quint32(magnitude);
    return qint32(negative ? 0u - bits : bits);
}

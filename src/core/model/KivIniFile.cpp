#include "KivIniFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>

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

char16_t LowerAscii(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

bool IsAscii(QStringView name)
{
    for (QChar c : name) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// Section and key names compare without regard to case: plain ASCII letters directly, names
// with other letters by their case-folded forms.
bool SameName(QStringView a, QStringView b)
{
    if (a.size() == b.size()) {
        for (qsizetype i = 0; i < a.size(); ++i) {
            const char16_t x = a[i].unicode();
            const char16_t y = b[i].unicode();
            if (x >= 0x80 || y >= 0x80)
                return a.toString().toCaseFolded() == b.toString().toCaseFolded();
            if (LowerAscii(x) != LowerAscii(y))
                return false;
        }
        return true;
    }
    if (IsAscii(a) && IsAscii(b))
        return false;
    return a.toString().toCaseFolded() == b.toString().toCaseFolded();
}

// A hash that names equal by SameName share: FNV-1a over the folded code units; plain ASCII
// names are folded as they are hashed, without a copy.
quint32 HashName(QStringView name)
{
    const QString folded = IsAscii(name) ? QString() : name.toString().toCaseFolded();
    quint64 hash = 14695981039346656037ull;
    for (QChar c : folded.isNull() ? name : QStringView(folded))
        hash = (hash ^ LowerAscii(c.unicode())) * 1099511628211ull;
    return quint32(hash ^ (hash >> 32));
}

QStringView ValueText(QStringView raw)
{
    QStringView value = TrimBlanks(raw);
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.left(TKivIniFile::MaxValueLength);
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

TKivIniFile::Name::Name(QStringView name) : text(TrimBlanks(name)), hash(HashName(text)) {}

size_t qHash(const TKivIniFile::Name& name, size_t seed)
{
    return qHash(name.hash, seed);
}

bool operator==(const TKivIniFile::Name& a, const TKivIniFile::Name& b)
{
    return a.hash == b.hash && SameName(a.text, b.text);
}

void TKivIniFile::clear()
{
    m_sections.clear();
    m_entries = std::vector<Entry>();
    m_text.clear();
}

bool TKivIniFile::open(const QString& fileName, QString* error)
{
    clear();

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
    clear();
    if (error) {
        *error = QStringLiteral("Cannot open file \"%1\". %2")
                     .arg(QDir::toNativeSeparators(fileName), reason);
    }
    return false;
}

void TKivIniFile::loadFromData(const QByteArray& data)
{
    clear();
    m_text = decode(data);
    parse();
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

void TKivIniFile::parse()
{
    const QStringView text(m_text);
    Section* current = nullptr; // null before the first section and in a repeated one
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
            if (current)
                sortEntries(*current);
            const qsizetype close = line.indexOf(u']');
            const Name name(close < 0 ? line.sliced(1) : line.sliced(1, close - 1));
            const qsizetype sections = m_sections.size();
            current = &m_sections[name];
            if (m_sections.size() > sections)
                *current = {qint32(m_entries.size()), 0};
            else
                current = nullptr;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!current || equals < 0)
            continue;
        const Name key(line.first(equals));
        if (key.text.isEmpty())
            continue;
        m_entries.push_back({key.hash, spanOf(key.text), spanOf(ValueText(line.sliced(equals + 1)))});
        ++current->count;
    }
    if (current)
        sortEntries(*current);
}

void TKivIniFile::sortEntries(const Section& section)
{
    if (section.count < 2)
        return;
    const auto first = m_entries.begin() + section.first;
    // Stable: of two lines of one key, the first stays first and is the one found.
    std::stable_sort(first, first + section.count,
                     [](const Entry& a, const Entry& b) { return a.hash < b.hash; });
}

TKivIniFile::Span TKivIniFile::spanOf(QStringView part) const
{
    return {qint32(part.data() - m_text.constData()), qint32(part.size())};
}

QString TKivIniFile::readString(QStringView section, QStringView key,
                                const QString& defaultValue) const
{
    const auto value = find(section, key);
    return value ? value->toString() : defaultValue;
}

qint32 TKivIniFile::readInteger(QStringView section, QStringView key, qint32 defaultValue) const
{
    const auto value = find(section, key);
    return value ? parseInteger(*value).value_or(defaultValue) : defaultValue;
}

std::optional<QStringView> TKivIniFile::find(QStringView section, QStringView key) const
{
    const auto found = m_sections.constFind(Name(section));
    if (found == m_sections.cend())
        return std::nullopt;
    const Name name(key);
    const auto end = m_entries.begin() + found->first + found->count;
    auto entry = std::lower_bound(m_entries.begin() + found->first, end, name.hash,
                                  [](const Entry& e, quint32 hash) { return e.hash < hash; });
    for (; entry != end && entry->hash == name.hash; ++entry) {
        if (SameName(text(entry->key), name.text))
            return text(entry->value);
    }
    return std::nullopt;
}

bool TKivIniFile::hasSection(QStringView section) const
{
    return m_sections.contains(Name(section));
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

#include "HistorySerializer.h"

#include <QHash>
#include <QLocale>
#include <QSet>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace
{

// Appends the ASCII characters from[0 .. count - 1] in one step.
void AppendAscii(QByteArray& out, const char16_t* from, qsizetype count)
{
    const qsizetype at = out.size();
    out.resize(at + count);
    char* to = out.data() + at;
    for (qsizetype i = 0; i < count; ++i)
        to[i] = char(from[i]);
}

// Appends text as UTF-8: the ASCII characters for which special(c) holds through escape(out, c),
// which appends them as the format needs; runs of other characters as they are (none of the
// formats escapes a character beyond ASCII).
template <class Special, class Escape>
void AppendEscaped(QByteArray& out, QStringView text, Special special, Escape escape)
{
    const char16_t* data = text.utf16();
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        qsizetype end = i;
        while (end < size && data[end] < 0x80 && !special(char(data[end])))
            ++end;
        if (end > i) {
            AppendAscii(out, data + i, end - i);
        } else if (data[i] < 0x80) {
            escape(out, char(data[i]));
            ++end;
        } else {
            while (end < size && data[end] >= 0x80)
                ++end;
            out += QStringView(data + i, end - i).toUtf8();
        }
        i = end;
    }
}

void AppendAll(QByteArray& out, QStringView text)
{
    AppendEscaped(out, text, [](char) { return false; }, [](QByteArray&, char) {});
}

char* PutTwoDigits(char* to, int value)
{
    to[0] = char('0' + value / 10);
    to[1] = char('0' + value % 10);
    return to + 2;
}

// "yyyy-MM-ddThh:mm:ss" of seconds since 1970 without a zone, as PanelTimeText gives it but
// without a QDateTime per row: the civil date of a day count (proleptic Gregorian calendar).
void AppendPanelTime(QByteArray& out, qint64 panelTime)
{
    qint64 days = panelTime / 86400;
    qint64 seconds = panelTime % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    const qint64 z = days + 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 dayOfEra = z - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = int(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = int(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const qint64 year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 0 || year > 9999)
        out += QByteArray::number(year);
    char text[19];
    char* to = text;
    if (year >= 0 && year <= 9999) {
        to = PutTwoDigits(to, int(year / 100));
        to = PutTwoDigits(to, int(year % 100));
    }
    *to++ = '-';
    to = PutTwoDigits(to, month);
    *to++ = '-';
    to = PutTwoDigits(to, day);
    *to++ = 'T';
    to = PutTwoDigits(to, int(seconds / 3600));
    *to++ = ':';
    to = PutTwoDigits(to, int(seconds % 3600 / 60));
    *to++ = ':';
    to = PutTwoDigits(to, int(seconds % 60));
    out.append(text, to - text);
}

// CSV and TSV: one header for the whole stream, the columns of every table each once.
class TDelimitedSerializer : public THistorySerializer
{
public:
    explicit TDelimitedSerializer(char separator) : m_separator(separator) {}

    void Begin(const std::vector<const THistoryExportTable*>& tables, QByteArray& out) override
    {
        for (const THistoryExportTable* table : tables)
            Place(table);
        WriteHeader(out);
    }

    void Write(const THistoryExportRow& row, QByteArray& out) override
    {
        auto found = m_places.find(row.Table);
        if (found == m_places.end()) {
            // A table Begin did not name: its columns join the header, which is written again,
            // rather than lose its cells.
            found = m_places.find(Place(row.Table));
            WriteHeader(out);
        }
        const std::vector<int>& places = found->second;
        m_line.assign(size_t(m_header.size()), nullptr);
        for (size_t c = 0; c < row.Cells.size() && c < places.size(); ++c)
            m_line[size_t(places[c])] = &row.Cells[c].Text;

        AppendField(out, row.Table->Station);
        out.append(m_separator);
        AppendField(out, row.Table->Name);
        out.append(m_separator);
        if (row.PanelTime)
            AppendPanelTime(out, *row.PanelTime);
        for (const QString* cell : m_line) {
            out.append(m_separator);
            if (cell)
                AppendField(out, *cell);
        }
        out.append("\r\n");
    }

private:
    // Gives each column of table its column in the header, adding the titles not there yet.
    const THistoryExportTable* Place(const THistoryExportTable* table)
    {
        std::vector<int> places;
        QHash<QString, int> uses; // how often each title came before in this table
        for (const QString& title : table->Titles) {
            const int use = uses[title]++;
            std::vector<int>& columns = m_columnsTitled[title];
            if (int(columns.size()) <= use) {
                columns.push_back(int(m_header.size()));
                m_header.append(title);
            }
            places.push_back(columns[size_t(use)]);
        }
        m_places[table] = std::move(places);
        return table;
    }

    void WriteHeader(QByteArray& out)
    {
        out.append("station");
        out.append(m_separator);
        out.append("table");
        out.append(m_separator);
        out.append("time");
        for (const QString& title : m_header) {
            out.append(m_separator);
            AppendField(out, title);
        }
        out.append("\r\n");
    }

    void AppendField(QByteArray& out, QStringView text) const
    {
        const char separator = m_separator;
        const auto special = [separator](char c) {
            return c == separator || c == '"' || c == '\r' || c == '\n';
        };
        bool quoted = false;
        for (QChar c : text) {
            if (c.unicode() < 0x80 && special(char(c.unicode()))) {
                quoted = true;
                break;
            }
        }
        if (!quoted) {
            AppendAll(out, text);
            return;
        }
        out.append('"');
        AppendEscaped(
            out, text, [](char c) { return c == '"'; }, [](QByteArray& o, char) { o.append("\"\""); });
        out.append('"');
    }

    char m_separator;
    QStringList m_header; // the column titles after station, table and time
    QHash<QString, std::vector<int>> m_columnsTitled; // header columns of each title
    std::unordered_map<const THistoryExportTable*, std::vector<int>> m_places;
    std::vector<const QString*> m_line; // the cell under each header column; reused
};

void AppendJsonString(QByteArray& out, QStringView text)
{
    out.append('"');
    const auto special = [](char c) { return uchar(c) < 0x20 || c == '"' || c == '\\'; };
    AppendEscaped(out, text, special, [](QByteArray& o, char c) {
        switch (c) {
        case '"':
            o.append("\\\"");
            break;
        case '\\':
            o.append("\\\\");
            break;
        case '\n':
            o.append("\\n");
            break;
        case '\r':
            o.append("\\r");
            break;
        case '\t':
            o.append("\\t");
            break;
        case '\b':
            o.append("\\b");
            break;
        case '\f':
            o.append("\\f");
            break;
        default:
            if (uchar(c) < 0x20) {
                static const char hex[] = "0123456789abcdef";
                o.append("\\u00");
                o.append(hex[uchar(c) >> 4]);
                o.append(hex[uchar(c) & 0xF]);
            } else {
                o.append(c);
            }
        }
    });
    out.append('"');
}

class TJsonSerializer : public THistorySerializer
{
public:
    void Write(const THistoryExportRow& row, QByteArray& out) override
    {
        const THistoryExportTable& table = *row.Table;
        out.append("{\"station\":");
        AppendJsonString(out, table.Station);
        out.append(",\"table\":");
        AppendJsonString(out, table.Name);
        out.append(",\"time\":");
        if (row.PanelTime) {
            out.append('"');
            AppendPanelTime(out, *row.PanelTime);
            out.append('"');
        } else {
            out.append("null");
        }
        for (size_t c = 0; c < row.Cells.size() && c < size_t(table.Keys.size()); ++c) {
            out.append(',');
            AppendJsonString(out, table.Keys[qsizetype(c)]);
            out.append(':');
            AppendJsonString(out, row.Cells[c].Text);
        }
        out.append("}\n");
    }
};

// Line protocol names: the characters that would end or split the name get a backslash, and
// control characters that would break the line are written as escapes.
void AppendLineName(QByteArray& out, QStringView text, bool escapeEquals)
{
    const auto special = [escapeEquals](char c) {
        return uchar(c) < 0x20 || c == ',' || c == ' ' || (escapeEquals && c == '=');
    };
    AppendEscaped(out, text, special, [escapeEquals](QByteArray& o, char c) {
        switch (c) {
        case '\n':
            o.append("\\n");
            return;
        case '\r':
            o.append("\\r");
            return;
        case '\t':
            o.append("\\t");
            return;
        case '\f':
            o.append("\\f");
            return;
        case ',':
        case ' ':
            o.append('\\');
            break;
        case '=':
            if (escapeEquals)
                o.append('\\');
            break;
        default:
            break;
        }
        o.append(c);
    });
}

void AppendLineString(QByteArray& out, QStringView text)
{
    out.append('"');
    const auto special = [](char c) { return c == '"' || c == '\\' || c == '\n' || c == '\r'; };
    AppendEscaped(out, text, special, [](QByteArray& o, char c) {
        switch (c) {
        case '"':
        case '\\':
            o.append('\\');
            o.append(c);
            break;
        case '\n':
            o.append("\\n");
            break;
        case '\r':
            o.append("\\r");
            break;
        default:
            o.append(c);
        }
    });
    out.append('"');
}

void AppendLineValue(QByteArray& out, const THistoryExportCell& cell)
{
    if (cell.Number && std::isfinite(*cell.Number)) {
        if (cell.Integer) {
            out += QByteArray::number(qint64(std::llround(*cell.Number)));
            out.append('i');
        } else {
            out += QByteArray::number(*cell.Number, 'g', QLocale::FloatingPointShortest);
        }
        return;
    }
    AppendLineString(out, cell.Text);
}

void AppendNanoseconds(QByteArray& out, qint64 seconds)
{
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / 1000000000;
    if (seconds > -limit && seconds < limit) {
        out += QByteArray::number(seconds * 1000000000);
    } else {
        out += QByteArray::number(seconds); // beyond 64-bit nanoseconds: the digits still tell
        out.append("000000000");
    }
}

class TLineSerializer : public THistorySerializer
{
public:
    bool NeedsNumbers() const override { return true; }

    void Write(const THistoryExportRow& row, QByteArray& out) override
    {
        const THistoryExportTable& table = *row.Table;
        const qsizetype start = out.size();
        AppendLineName(out, table.Name, false);
        out.append(",station=");
        AppendLineName(out, table.Station, true);
        char separator = ' ';
        for (size_t c = 0; c < row.Cells.size() && c < size_t(table.Keys.size()); ++c) {
            const THistoryExportCell& cell = row.Cells[c];
            if (cell.Text.isEmpty())
                continue;
            out.append(separator);
            separator = ',';
            AppendLineName(out, table.Keys[qsizetype(c)], true);
            out.append('=');
            AppendLineValue(out, cell);
        }
        if (separator == ' ') {
            out.truncate(start); // a point needs a field
            return;
        }
        if (row.PanelTime) {
            out.append(' ');
            AppendNanoseconds(out, *row.PanelTime);
        }
        out.append('\n');
    }
};

} // namespace

std::optional<THistoryFormat> HistoryFormatNamed(const QString& name)
{
    if (name == QLatin1String("csv"))
        return THistoryFormat::Csv;
    if (name == QLatin1String("tsv"))
        return THistoryFormat::Tsv;
    if (name == QLatin1String("json"))
        return THistoryFormat::Json;
    if (name == QLatin1String("line"))
        return THistoryFormat::Line;
    return std::nullopt;
}

QStringList HistoryColumnKeys(const QStringList& titles)
{
    QSet<QString> taken{QStringLiteral("station"), QStringLiteral("table"), QStringLiteral("time")};
    QStringList keys;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const QString base = titles[i].trimmed().isEmpty() ? QStringLiteral("column %1").arg(i + 1)
                                                           : titles[i];
        QString key = base;
        for (int n = 2; taken.contains(key); ++n)
            key = QStringLiteral("%1_%2").arg(base).arg(n);
        taken.insert(key);
        keys.append(key);
    }
    return keys;
}

void THistorySerializer::Begin(const std::vector<const THistoryExportTable*>&, QByteArray&) {}

std::unique_ptr<THistorySerializer> MakeHistorySerializer(THistoryFormat format)
{
    switch (format) {
    case THistoryFormat::Csv:
        return std::make_unique<TDelimitedSerializer>(',');
    case THistoryFormat::Tsv:
        return std::make_unique<TDelimitedSerializer>('\t');
    case THistoryFormat::Json:
        return std::make_unique<TJsonSerializer>();
    case THistoryFormat::Line:
        break;
    }
    return std::make_unique<TLineSerializer>();
}

#include "KivCommaText.h"

// ---- Comma text -------------------------------------------------------------------------------

namespace {

bool NeedsQuotes(const QString& item)
{
    for (QChar c : item) {
        if (c.unicode() <= ' ' || c == QLatin1Char(',') || c == QLatin1Char('"'))
            return true;
    }
    return false;
}

} // namespace

QString CommaText(const QStringList& items)
{
    if (items.size() == 1 && items.first().isEmpty())
        return QStringLiteral("\"\"");
    QString text;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(',');
        const QString& item = items[i];
        if (NeedsQuotes(item)) {
            QString quoted = item;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            text += QLatin1Char('"') + quoted + QLatin1Char('"');
        } else {
            text += item;
        }
    }
    return text;
}

QStringList FromCommaText(const QString& text)
{
    QStringList items;
    const qsizetype n = text.size();
    qsizetype i = 0;
    // Every control character counts as a blank, NUL too: it ends a bare item like a space
    // and is passed over, so each step of the loop below moves forward.
    const auto skipBlanks = [&] {
        while (i < n && text[i].unicode() <= ' ')
            ++i;
    };
    skipBlanks();
    while (i < n) {
        QString item;
        if (text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
            // Anything between the closing quote and the next separator is dropped.
            while (i < n && text[i] != QLatin1Char(',') && text[i].unicode() > ' ')
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && text[i].unicode() > ' ' && text[i] != QLatin1Char(','))
                ++i;
            item = text.mid(start, i - start);
        }
        items.append(item);
        skipBlanks();
        if (i < n && text[i] == QLatin1Char(',')) {
            ++i;
            if (i == n) {
                items.append(QString());
                break;
            }
            skipBlanks();
        }
    }
    return items;
}

#include "LangText.h"

#include "KivLanRes.h"

QString LangText(int id, const QStringList& args)
{
    return FormatLangText(GetLangString(id), args);
}

QString FormatLangText(const QString& pattern, const QStringList& args)
{
    QString result;
    result.reserve(pattern.size() + 16);
    int next = 0;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c != u'%' || i + 1 >= pattern.size()) {
            result += c;
            continue;
        }
        const QChar kind = pattern[i + 1];
        if (kind == u'%') {
            result += u'%';
            ++i;
        } else if ((kind == u'd' || kind == u'i' || kind == u'u' || kind == u's') &&
                   next < args.size()) {
            result += args[next++];
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

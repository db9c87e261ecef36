#include "KivLanRes.h"

#include "KivLocale.h"
#include "TamsorError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <cstdio>

TKivLanguageResources LanguageResources;

// ---- decoding and lines ----

namespace
{

QString decodeUtf8Checked(QByteArrayView bytes, int* firstBadLine)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    *firstBadLine = 0;
    if (!decoder.hasError())
        return text;
    // Find the first line that does not decode cleanly, to tell the user where to look.
    int line = 1;
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QStringDecoder lineDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = lineDecoder.decode(bytes.sliced(start, end - start));
        if (lineDecoder.hasError()) {
            *firstBadLine = line;
            break;
        }
        start = end + 1;
        ++line;
    }
    if (*firstBadLine == 0)
        *firstBadLine = 1;
    return text;
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

} // namespace

QString DecodeLanguageText(const QByteArray& bytes, int localeId, int* firstBadLine)
{
    *firstBadLine = 0;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decodeUtf8Checked(QByteArrayView(bytes).sliced(3), firstBadLine);
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(QByteArrayView(bytes).sliced(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(QByteArrayView(bytes).sliced(2));
    const QString text = decodeUtf8Checked(bytes, firstBadLine);
    if (*firstBadLine == 0)
        return text;
    const QByteArray codePage = LegacyCodePage(localeId);
    if (codePage.isEmpty())
        return text;
    QStringDecoder legacy(codePage.constData(), QStringDecoder::Flag::Stateless);
    if (!legacy.isValid())
        return text;
    *firstBadLine = 0;
    return legacy.decode(bytes);
}

void TKivLangTable::LoadFromFile(const QString& fileName, int localeId)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw TamsorError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    int badLine = 0;
    SetText(DecodeLanguageText(file.readAll(), localeId, &badLine));
    if (badLine)
        Warning = QStringLiteral("%1: line %2 is not valid UTF-8; its unreadable bytes are "
                                 "shown as \uFFFD. Save the file as UTF-8 or UTF-16.")
                      .arg(QDir::toNativeSeparators(fileName))
                      .arg(badLine);
}

void TKivLangTable::SetText(const QString& text)
{
    m_entries.clear();
    Warning.clear();
    for (const QString& line : splitLines(text)) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).toCaseFolded();
        auto it = m_entries.find(key);
        // Of several lines with one key, the line that sorts first wins; of lines that are
        // equal without regard to case, the first one read.
        if (it == m_entries.end())
            m_entries.insert(key, Entry{line, line.mid(eq + 1)});
        else if (line.compare(it->line, Qt::CaseInsensitive) < 0)
            *it = Entry{line, line.mid(eq + 1)};
    }
}

QString TKivLangTable::Value(const QString& key) const
{
    auto it = m_entries.constFind(key.toCaseFolded());
    return it == m_entries.constEnd() ? QString() : it->value;
}

bool TKivLangTable::Contains(const QString& key) const
{
    return m_entries.contains(key.toCaseFolded());
}

// ---- languages ----

TKivLanguageResource::TKivLanguageResource(TKivLanguageResources* owner, int localeId,
                                           const QString& strTabFile, const QString& strResFile)
    : Owner(owner), LocaleId(localeId)
{
    StrTab.LoadFromFile(strTabFile, localeId);
    StrRes.LoadFromFile(strResFile, localeId);
    if (Owner)
        Owner->Languages.append(this);
}

TKivLanguageResource::~TKivLanguageResource()
{
    if (!Owner)
        return;
    Owner->Languages.removeOne(this);
    if (Owner->Current == this)
        Owner->Current = nullptr;
}

TKivLanguageResources::~TKivLanguageResources()
{
    Clear();
}

void TKivLanguageResources::Clear()
{
    Current = nullptr;
    while (!Languages.isEmpty())
        delete Languages.last();
    Warnings.clear();
}

QStringList LanguageSearchFolders()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    QStringList folders{programFolder,
                        QDir::cleanPath(programFolder + QStringLiteral("/../share/tamsor"))};
    for (const QString& data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << QDir::cleanPath(data + QStringLiteral("/tamsor"));
    folders.removeDuplicates();
    return folders;
}

void TKivLanguageResources::Discover(const QString& programFolder)
{
    Clear();
    QString folder = programFolder;
    if (folder.isEmpty()) {
        const QStringList candidates = LanguageSearchFolders();
        for (const QString& candidate : candidates) {
            Discover(candidate);
            if (!Languages.isEmpty())
                return;
        }
        Clear();
        folder = candidates.first();
    }
    if (!folder.endsWith(u'/'))
        folder += u'/';
    ProgramFolder = folder;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        bool isNumber = false;
        const int id = entry.fileName().toInt(&isNumber);
        if (isNumber)
            AddLanguage(id);
    }
}

void TKivLanguageResources::AddLanguage(int localeId)
{
    if (!IsKnownLocaleId(localeId) || Find(localeId))
        return;
    const QString languageFolder = ProgramFolder + QString::number(localeId) + u'/';
    const QString strTab = languageFolder + QStringLiteral("StrTab.ini");
    if (!QFileInfo(strTab).isFile())
        return;
    QString strRes = languageFolder + QStringLiteral("StrRes.ini");
    if (!QFileInfo(strRes).isFile()) {
        strRes = ProgramFolder + QStringLiteral("StrRes.ini");
        if (!QFileInfo(strRes).isFile())
            return;
    }
    try {
        auto* language = new TKivLanguageResource(this, localeId, strTab, strRes);
        for (const QString& warning : {language->StrTab.Warning, language->StrRes.Warning})
            if (!warning.isEmpty())
                Warnings << warning;
    } catch (const TamsorError& error) {
        // An unreadable language is not installed; say why instead of failing the start.
        Warnings << error.message();
    }
}

TKivLanguageResource* TKivLanguageResources::Find(int localeId) const
{
    for (TKivLanguageResource* language : Languages)
        if (language->LocaleId == localeId)
            return language;
    return nullptr;
}

int TKivLanguageResources::SelectLanguage(int localeId)
{
    TKivLanguageResource* language = Find(localeId);
    if (!language)
        language = Find(EnglishUnitedStates);
    if (!language)
        return -1;
    Current = language;
    if (LanguageMenu)
        LanguageMenu->CheckLanguage(language->LocaleId);
    return 0;
}

// ---- lookups ----

QString StringKey(int id)
{
    return QString::asprintf("STR%05d", id);
}

QString GetLangString(int id)
{
    const TKivLanguageResource* language = LanguageResources.Current;
    return language ? language->StrTab.Value(StringKey(id)) : QString();
}

QString LanguageFontName()
{
    const TKivLanguageResource* language = LanguageResources.Current;
    return language ? language->StrTab.Value(QStringLiteral("Font.Name")) : QString();
}

int LanguageFontSize()
{
    const TKivLanguageResource* language = LanguageResources.Current;
    bool ok = false;
    const int size = language ? language->StrTab.Value(QStringLiteral("Font.Size")).toInt(&ok) : 0;
    return ok && size > 0 ? size : 8;
}

QStringList LangList(int id)
{
    // A count beyond this is a typing error in a language file, not a list.
    constexpr int maxItems = 1000;
    const int count = qBound(0, GetLangString(id).toInt(), maxItems);
    QStringList items;
    for (int i = 1; i <= count; ++i)
        items << GetLangString(id + i);
    return items;
}

TKivLangListItem ParseLangListItem(const QString& item)
{
    auto isSeparator = [](QChar c) { return c == u' ' || c == u':' || c == u'-'; };
    qsizetype start = 0;
    while (start < item.size() && isSeparator(item.at(start)))
        ++start;
    qsizetype end = start;
    while (end < item.size() && !isSeparator(item.at(end)))
        ++end;
    const QString number = item.mid(start, end - start);
    bool isNumber = false;
    const int value = number.toInt(&isNumber);
    const QString caption = end < item.size() ? item.mid(end + 1) : number;
    return {isNumber ? value : -1, caption};
}

// ---- message boxes ----

QList<int> MessageButtons(unsigned flags)
{
    using namespace KivMsg;
    switch (flags & 0xF) {
    case OkCancel:
        return {IdOk, IdCancel};
    case AbortRetryIgnore:
        return {IdAbort, IdRetry, IdIgnore};
    case YesNoCancel:
        return {IdYes, IdNo, IdCancel};
    case YesNo:
        return {IdYes, IdNo};
    case RetryCancel:
        return {IdRetry, IdCancel};
    default:
        return {IdOk};
    }
}

int DefaultMessageButton(unsigned flags)
{
    const QList<int> buttons = MessageButtons(flags);
    const qsizetype index = (flags >> 8) & 0xF;
    return index < buttons.size() ? buttons.at(index) : buttons.first();
}

namespace
{

int headlessMessage(const QString& text, const QString& caption, unsigned flags)
{
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(caption), qUtf8Printable(text));
    return DefaultMessageButton(flags);
}

TKivMessageHook& messageHook()
{
    static TKivMessageHook hook = headlessMessage;
    return hook;
}

} // namespace

TKivMessageHook SetLangMessageHook(TKivMessageHook hook)
{
    TKivMessageHook previous = messageHook();
    messageHook() = hook ? std::move(hook) : TKivMessageHook(headlessMessage);
    return previous;
}

int ShowLangMessage(int textId, int captionId, unsigned flags)
{
    return messageHook()(GetLangString(textId), GetLangString(captionId), flags);
}

int ShowTextMessage(const QString& text, int captionId, unsigned flags)
{
    return messageHook()(text, GetLangString(captionId), flags);
}

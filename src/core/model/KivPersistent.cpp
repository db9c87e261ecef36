#include "KivPersistent.h"

#include "KivSerialization.h"

#include <climits>

// ---- Registration -----------------------------------------------------------------------------

const QStringList& RegisteredKivClasses()
{
    static const QStringList names{
        QStringLiteral("TKivChannels"),    QStringLiteral("TKivChannel"),
        QStringLiteral("TKivStation"),     QStringLiteral("TKivRecipes"),
        QStringLiteral("TKivRecipe"),      QStringLiteral("TKivRecipeItems"),
        QStringLiteral("TKivRecipeItem"),  QStringLiteral("TKivDataRecords"),
        QStringLiteral("TKivDataRecord"),  QStringLiteral("TKivDataRecordItems"),
        QStringLiteral("TKivDataRecordItem"), QStringLiteral("TKivAlarms"),
        QStringLiteral("TKivAlarm"),       QStringLiteral("TKivTamsor")};
    return names;
}

QString FindKivClass(const QString& name)
{
    for (const QString& known : RegisteredKivClasses()) {
        if (known.compare(name, Qt::CaseInsensitive) == 0)
            return known;
    }
    return QString();
}

// ---- TKivPersistent ---------------------------------------------------------------------------

void TKivPersistent::SerializeStream(int mode, TKivStream& stream)
{
    TKivSerialization s(*this, stream, mode);
    Serialize(s);
    if (mode == TKivSerialization::Save)
        s.StoreBlock();
}

void TKivPersistent::AssignTo(TKivPersistent* dest)
{
    if (!dest || dest == this)
        return;
    TKivStream scratch;
    SerializeStream(TKivSerialization::Save, scratch);
    scratch.SetPosition(0);
    dest->SerializeStream(TKivSerialization::Load, scratch);
}

int TKivPersistent::Compare(TKivPersistent& other)
{
    TKivStream mine;
    TKivStream theirs;
    SerializeStream(TKivSerialization::Save, mine);
    other.SerializeStream(TKivSerialization::Save, theirs);
    if (mine.Size() != theirs.Size())
        return int(qBound<qsizetype>(qsizetype(INT_MIN), mine.Size() - theirs.Size(), qsizetype(INT_MAX)));
    for (qsizetype i = 0; i < mine.Size(); ++i) {
        const uchar a = uchar(mine.Data()[i]);
        const uchar b = uchar(theirs.Data()[i]);
        if (a != b)
            return int(a) - int(b);
    }
    return 0;
}

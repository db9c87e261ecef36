#pragma once

#include "FrameBase.h"
#include "model/KivChannel.h"

// Base of the frames that show one of a station's tables (a recipe, a data record or the alarm
// history): the definition editors and the result frames. Their caption is the table's; they
// follow every read of the table's station (StationReadNotifier.h), so what they show is never
// older than the station's last-read time.
class TFrameStationTable : public TFrameBase
{
    Q_OBJECT

public:
    TFrameStationTable(const QString& objectName, int designHeight, QWidget* parent = nullptr);

    QString FrameCaption() const override;
    // Takes the object when it is of the frame's class and shows it.
    bool LoadObject() override;

protected:
    // The object shown, typed by TFrameShowing.
    virtual bool TakeObject(TKivPersistent* object) = 0;
    virtual void ForgetObject() = 0;
    virtual const TKivPersistent* Shown() const = 0;
    virtual TKivStation* Station() const = 0;

    // Fills the controls from the object just taken.
    virtual void ShowObject() = 0;
    // The station of the shown table was read: its image and last-read time are new.
    virtual void StationRead() = 0;
    // The object is gone; the controls show nothing of it any more.
    virtual void ObjectForgotten() {}

    void ObjectGone() final;
};

// A station-table frame Base showing objects of class ShownClass (TKivRecipe, TKivDataRecord,
// TKivAlarms).
template <class ShownClass, class Base> class TFrameShowing : public Base
{
public:
    using Base::Base;

protected:
    bool TakeObject(TKivPersistent* object) override
    {
        FShown = dynamic_cast<ShownClass*>(object);
        return FShown != nullptr;
    }
    void ForgetObject() override { FShown = nullptr; }
    const TKivPersistent* Shown() const override { return FShown; }
    TKivStation* Station() const override { return FShown ? FShown->Station() : nullptr; }

    ShownClass* FShown = nullptr;
};

#pragma once

#include "FrameBase.h"

class QAction;
class QLabel;
class QToolButton;
class TKivStation;

// Base of the three result frames in the bottom panel: when the station was last read, and
// Export, which writes the decoded table to a text file the user picks, the same file the
// report tree holds. The line follows every read of the station.
class TFrameTableResult : public TFrameBase
{
    Q_OBJECT

public:
    explicit TFrameTableResult(const QString& objectName, QWidget* parent = nullptr);

    QString FrameCaption() const override;
    bool LoadObject() override;

    // Asks for a file (and before replacing one), writes the table and says so when the file
    // cannot be written. Changes nothing in the project.
    void actExportTxtExecute();

    QLabel* lblMessage;
    QAction* actExportTxt;
    QToolButton* btnExportTxt;

protected:
    virtual bool TakeObject(TKivPersistent* object) = 0;
    virtual const TKivPersistent* Shown() const = 0;
    virtual TKivStation* Station() const = 0;
    // The object's ExportTxt: false without a station; throws TamsorError when the file
    // cannot be written.
    virtual bool ExportTxt(const QString& fileName) const = 0;

private:
    void ShowUpdateTime();
};

// A result frame for objects of class ShownClass (TKivRecipe, TKivDataRecord, TKivAlarms).
template <class ShownClass> class TFrameResultOf : public TFrameTableResult
{
public:
    using TFrameTableResult::TFrameTableResult;

protected:
    bool TakeObject(TKivPersistent* object) override
    {
        FShown = dynamic_cast<ShownClass*>(object);
        return FShown != nullptr;
    }
    void ObjectGone() override { FShown = nullptr; }
    const TKivPersistent* Shown() const override { return FShown; }
    TKivStation* Station() const override { return FShown ? FShown->Station() : nullptr; }
    bool ExportTxt(const QString& fileName) const override
    {
        return FShown && FShown->ExportTxt(fileName);
    }

private:
    ShownClass* FShown = nullptr;
};

#pragma once

#include "StationTableFrame.h"

class QAction;
class QLabel;
class QToolButton;

// Base of the three result frames in the bottom panel: when the station was last read, and
// Export, which writes the decoded table to a text file the user picks, the same file the
// report tree holds. The line follows every read of the station.
class TFrameTableResult : public TFrameStationTable
{
    Q_OBJECT

public:
    explicit TFrameTableResult(const QString& objectName, QWidget* parent = nullptr);

    // Asks for a file (and before replacing one), writes the table and says so when the file
    // cannot be written. Changes nothing in the project.
    void actExportTxtExecute();

    QLabel* lblMessage;
    QAction* actExportTxt;
    QToolButton* btnExportTxt;

protected:
    void ShowObject() override { ShowUpdateTime(); }
    void StationRead() override { ShowUpdateTime(); }
    // The object's ExportTxt: false without a station; throws TamsorError when the file
    // cannot be written.
    virtual bool ExportTxt(const QString& fileName) const = 0;

private:
    void ShowUpdateTime();
};

// A result frame for objects of class ShownClass (TKivRecipe, TKivDataRecord, TKivAlarms).
template <class ShownClass>
class TFrameResultOf : public TFrameShowing<ShownClass, TFrameTableResult>
{
public:
    using TFrameShowing<ShownClass, TFrameTableResult>::TFrameShowing;

protected:
    bool ExportTxt(const QString& fileName) const override
    {
        return this->FShown && this->FShown->ExportTxt(fileName);
    }
};

// The result frames of a recipe, a data record and a station's alarm history.
class TFrameRecipe : public TFrameResultOf<TKivRecipe>
{
    Q_OBJECT

public:
    explicit TFrameRecipe(QWidget* parent = nullptr)
        : TFrameResultOf(QStringLiteral("FrameRecipe"), parent)
    {
    }
};

class TFrameDataRecord : public TFrameResultOf<TKivDataRecord>
{
    Q_OBJECT

public:
    explicit TFrameDataRecord(QWidget* parent = nullptr)
        : TFrameResultOf(QStringLiteral("FrameDataRecord"), parent)
    {
    }
};

class TFrameAlarm : public TFrameResultOf<TKivAlarms>
{
    Q_OBJECT

public:
    explicit TFrameAlarm(QWidget* parent = nullptr)
        : TFrameResultOf(QStringLiteral("FrameAlarm"), parent)
    {
    }
};

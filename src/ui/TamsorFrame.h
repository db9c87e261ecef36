#pragma once

#include "FrameBase.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class TKivTamsor;

// The project's settings in the bottom panel: title, description, where the history of its
// reads is kept (a file, empty for the default beside the project file, or none), and Add
// channel.
class TFrameTamsor : public TFrameBase
{
    Q_OBJECT

public:
    explicit TFrameTamsor(QWidget* parent = nullptr);

    QString FrameCaption() const override;
    bool LoadObject() override;

    QLineEdit* edtTitle;
    QPlainTextEdit* moDescription;
    QLineEdit* edtHistory;
    QCheckBox* cbxHistory;
    QAction* actAddChannel;

protected:
    void ObjectGone() override { FProjectRoot = nullptr; }

private:
    void edtTitleChange();
    void moDescriptionChange();
    void edtHistoryChange();
    void cbxHistoryClick();
    void actAddChannelExecute();

    TKivTamsor* FProjectRoot = nullptr;
};

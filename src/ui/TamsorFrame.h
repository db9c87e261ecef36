#pragma once

#include "FrameBase.h"

class QAction;
class QLineEdit;
class QPlainTextEdit;
class TKivTamsor;

// The project's settings in the bottom panel: title and description, and Add channel.
class TFrameTamsor : public TFrameBase
{
    Q_OBJECT

public:
    explicit TFrameTamsor(QWidget* parent = nullptr);

    QString FrameCaption() const override;
    bool LoadObject() override;

    QLineEdit* edtTitle;
    QPlainTextEdit* moDescription;
    QAction* actAddChannel;

protected:
    void ObjectGone() override { FProjectRoot = nullptr; }

private:
    void edtTitleChange();
    void moDescriptionChange();
    void actAddChannelExecute();

    TKivTamsor* FProjectRoot = nullptr;
};

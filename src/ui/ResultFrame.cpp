#include "ResultFrame.h"

#include "FrameWidgets.h"
#include "TamsorError.h"
#include "editor/KivFileDialog.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivChannel.h"
#include "reports/KivReportFiles.h"
#include "reports/KivUtil.h"

#include <QAction>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace
{
constexpr int ResultFrameHeight = 60;
}

TFrameTableResult::TFrameTableResult(const QString& objectName, QWidget* parent)
    : TFrameStationTable(objectName, ResultFrameHeight, parent)
{
    lblMessage = new QLabel(gbxCaption);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    actExportTxt = FrameAction(this, "actExportTxt");
    btnExportTxt = ActionButton(actExportTxt, gbxCaption, "btnExportTxt");

    auto* row = new QHBoxLayout(gbxCaption);
    row->setContentsMargins(6, 0, 6, 4);
    row->addWidget(lblMessage, 1);
    row->addWidget(btnExportTxt);

    connect(actExportTxt, &QAction::triggered, this, &TFrameTableResult::actExportTxtExecute);
}

void TFrameTableResult::ShowUpdateTime()
{
    const TKivStation* station = Station();
    lblMessage->setText(station ? station->UpdateTimeText() : QString());
}

void TFrameTableResult::actExportTxtExecute()
{
    if (!Station())
        return;
    TKivFileDialogRequest request;
    request.Mode = TKivFileDialogRequest::Save;
    request.Filter =
        FileDialogFilter(GetLangString(StrId::FileFilterText), QStringLiteral("*.txt"));
    request.DefaultExt = QStringLiteral(".txt");
    request.FileName = SafePathName(FrameCaption()) + QStringLiteral(".txt");
    const QString fileName = PromptFileName(request);
    if (fileName.isEmpty())
        return;
    if (QFileInfo::exists(fileName) &&
        ShowLangMessage(StrId::OverwriteText, StrId::OverwriteExportCaption,
                        KivMsg::YesNo | KivMsg::IconWarning) != KivMsg::IdYes)
        return;
    // A file that cannot be written is said so; it must not pass for a finished export.
    QString reason;
    try {
        if (ExportTxt(fileName))
            return;
    } catch (const TamsorError& error) {
        reason = error.message();
    }
    ShowTextMessage(FormatTemplate(GetLangString(StrId::ExportFailed), {reason}),
                    StrId::OverwriteExportCaption, KivMsg::IconWarning);
}

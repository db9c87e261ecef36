#include "FileDialogUi.h"

#include "editor/KivFileDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

void InstallUiFileDialogs()
{
    SetFileDialogHook([](const TKivFileDialogRequest& request) {
        QFileDialog dialog(QApplication::activeWindow());
        dialog.setNameFilters(QtFileDialogFilter(request.Filter).split(QStringLiteral(";;")));
        QString ext = request.DefaultExt;
        if (ext.startsWith(u'.'))
            ext.remove(0, 1);
        dialog.setDefaultSuffix(ext);
        if (!request.Folder.isEmpty())
            dialog.setDirectory(request.Folder);
        if (request.Mode == TKivFileDialogRequest::Save) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
            if (!request.FileName.isEmpty())
                dialog.selectFile(request.FileName);
        } else {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::ExistingFile);
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().first();
    });
}

#pragma once

// The main window driven offscreen in English: prompts and file dialogs are answered through
// their hooks (the answers and files a test lists, else Cancel), and the demo project can be
// copied where a test may change it.
#include "LangTestFolder.h"
#include "MainForm.h"
#include "ProjectTree.h"
#include "editor/KivFileDialog.h"
#include "lang/KivLanRes.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// The named widgets shown under root that a user or a screen reader could not tell apart: a
// label without text, marked " (text)", or a control taking the focus without an accessible
// name.
inline QStringList UnnamedControls(QWidget* root)
{
    QStringList missing;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(root) || widget->objectName().isEmpty())
            continue;
        if (auto* label = qobject_cast<QLabel*>(widget); label && label->text().isEmpty())
            missing << widget->objectName() + QStringLiteral(" (text)");
        // A spin box's inner edit hands its focus to the spin box, which carries the name.
        if (widget->focusPolicy() == Qt::NoFocus || widget->focusProxy())
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            missing << widget->objectName();
    }
    return missing;
}

// The width a combo box has for its text, with its frame and arrow taken off.
inline int ComboTextRoom(QComboBox* combo)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    return combo->style()
        ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
        .width();
}

// The labels, buttons and combo boxes shown under root whose text is cut: a label or button
// narrower than its text needs, a combo box with an item (or typed text) wider than its box.
inline QStringList CutTexts(QWidget* root)
{
    QStringList cut;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(root))
            continue;
        const QString name = widget->objectName();
        auto* label = qobject_cast<QLabel*>(widget);
        if (label || qobject_cast<QAbstractButton*>(widget)) {
            const bool wraps = label && label->wordWrap();
            const int needed = (wraps ? widget->minimumSizeHint() : widget->sizeHint()).width();
            if (widget->width() < needed)
                cut << name;
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            QStringList texts{combo->currentText()};
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
            const int room = ComboTextRoom(combo);
            for (const QString& text : texts)
                if (combo->fontMetrics().horizontalAdvance(text) > room) {
                    cut << QStringLiteral("%1 (%2)").arg(name, text);
                    break;
                }
        }
    }
    return cut;
}

struct Prompt {
    QString text;
    QString caption;
    unsigned flags;
};

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LanguageResources.Discover(QStringLiteral(TAMSOR_SOURCE_DIR "/lang"));
        ASSERT_EQ(LanguageResources.SelectLanguage(1033), 0);
        previousMessage =
            SetLangMessageHook([this](const QString& text, const QString& caption, unsigned flags) {
                prompts.append({text, caption, flags});
                return answers.isEmpty() ? int(KivMsg::IdCancel) : answers.takeFirst();
            });
        previousDialog = SetFileDialogHook([this](const TKivFileDialogRequest& request) {
            dialogs.append(request);
            return files.isEmpty() ? QString() : files.takeFirst();
        });
        form = std::make_unique<TFormMain>();
        form->SetAnimateBottom(false);
        form->ApplyLanguageTexts();
    }
    void TearDown() override
    {
        form->SetModified(false);
        form.reset();
        SetLangMessageHook(previousMessage);
        SetFileDialogHook(previousDialog);
        LanguageResources.Discover(QStringLiteral("/nonexistent"));
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    // The demo project and its register file, copied where the test may change them.
    QString demoCopy()
    {
        QFile::copy(QStringLiteral(TAMSOR_SOURCE_DIR "/examples/demo.bin"), path("demo.bin"));
        QFile::copy(QStringLiteral(TAMSOR_SOURCE_DIR "/examples/demo.zop"), path("demo.zop"));
        return path("demo.zop");
    }
    QByteArray bytes(const QString& file) const
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    TKivTreeNode* node(TKivNode* handle) { return dynamic_cast<TKivTreeNode*>(handle); }
    void select(TKivNode* handle) { form->tvProject->setCurrentItem(node(handle)); }
    template <class Frame> Frame* bottom() { return dynamic_cast<Frame*>(form->BottomFrame()); }
    template <class Frame> Frame* client() { return dynamic_cast<Frame*>(form->ClientFrame()); }

    LangTestFolder config; // keeps the settings away from the user's
    QTemporaryDir dir;
    QList<Prompt> prompts;
    QList<int> answers;
    QList<TKivFileDialogRequest> dialogs;
    QStringList files;
    TKivMessageHook previousMessage;
    TKivFileDialogHook previousDialog;
    std::unique_ptr<TFormMain> form;
};

// File dialogs through the replaceable hook.
#include "editor/KivFileDialog.h"

#include <gtest/gtest.h>

namespace
{

TEST(FileDialog, FiltersBecomeQtFilters)
{
    EXPECT_EQ(QtFileDialogFilter(QStringLiteral("Tamsor File|*.zop|All Files|*.*")),
              u"Tamsor File (*.zop);;All Files (*)");
    EXPECT_EQ(QtFileDialogFilter(QStringLiteral("Text|*.txt;*.tsv|Dangling")),
              u"Text (*.txt *.tsv)");
}

TEST(FileDialog, HookAnswersAndDefaultExtensionIsAddedToBareNames)
{
    TKivFileDialogRequest seen;
    QString answer;
    const TKivFileDialogHook previous = SetFileDialogHook([&](const TKivFileDialogRequest& r) {
        seen = r;
        return answer;
    });
    TKivFileDialogRequest request;
    request.Mode = TKivFileDialogRequest::Save;
    request.DefaultExt = QStringLiteral(".zop");
    request.Folder = QStringLiteral("/docs");
    const struct {
        const char* answer;
        const char* result;
    } cases[] = {{"", ""},
                 {"/p/line", "/p/line.zop"},
                 {"/p/line.txt", "/p/line.txt"},
                 {"/p.d/line", "/p.d/line.zop"}};
    for (const auto& c : cases) {
        answer = QString::fromUtf8(c.answer);
        EXPECT_EQ(PromptFileName(request), QString::fromUtf8(c.result)) << c.answer;
    }
    EXPECT_EQ(seen.Mode, TKivFileDialogRequest::Save);
    EXPECT_EQ(seen.Folder, u"/docs");

    SetFileDialogHook({});
    answer = QStringLiteral("/p/x.zop");
    EXPECT_TRUE(PromptFileName(request).isEmpty()) << "no dialog: cancelled";
    SetFileDialogHook(previous);
}

} // namespace

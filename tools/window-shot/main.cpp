// tamsor-shot: opens the main window with a project in a given language, selects a node, and
// saves a picture of the window (or of the About box) as PNG.
//
//   tamsor-shot --lang 1031 --project demo.zop --select station --out shot.png
//   options: --select project|channel|station|recipe   --channel-type 0|1|2   --about
//            --size WIDTHxHEIGHT
#include "AboutForm.h"
#include "ChannelFrame.h"
#include "DynamicPanel.h"
#include "FrameBase.h"
#include "LangUi.h"
#include "MainForm.h"
#include "ProjectTree.h"
#include "lang/KivLanRes.h"
#include "lang/KivLangStartup.h"
#include "model/KivTamsor.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>

namespace
{

TKivNode* nodeToSelect(TKivTamsor& project, const QString& what)
{
    TKivChannel* channel = project.Channels->Items(0);
    TKivStation* station = channel ? channel->Stations.Items(0) : nullptr;
    if (what == QLatin1String("channel") && channel)
        return channel->Node;
    if (what == QLatin1String("station") && station)
        return station->Node;
    if (what == QLatin1String("recipe") && station && station->Recipes->Count() > 0)
        return station->Recipes->Items(0)->Node;
    return project.Node;
}

void settle(TFormMain& form)
{
    for (int i = 0; i < 200 && (form.dplLeft->Sliding() || form.dplBottom->Sliding()); ++i) {
        form.dplLeft->Timer();
        form.dplBottom->Timer();
    }
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{"lang", "Language (LCID).", "id", "1033"},
                       {"project", "Project file to open.", "file"},
                       {"select", "Node to select.", "node", "station"},
                       {"channel-type", "Show the first channel as this type.", "type"},
                       {"about", "Picture the About box instead."},
                       {"size", "Window size.", "WxH", "900x560"},
                       {"out", "PNG file to write.", "file"}});
    parser.process(app);
    const QString out = parser.value("out");
    if (out.isEmpty()) {
        std::fprintf(stderr, "tamsor-shot: --out is required\n");
        return 2;
    }
    // The pictures never touch the user's settings.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    InstallUiLanguageSupport();
    StartLanguage(parser.value("lang").toInt());

    TFormMain form;
    form.SetAnimateBottom(false);
    form.ApplyLanguageTexts();
    const QStringList size = parser.value("size").split(u'x');
    form.resize(size.value(0).toInt(), size.value(1).toInt());
    if (parser.isSet("project") && !form.LoadProjectFile(parser.value("project"), false)) {
        std::fprintf(stderr, "tamsor-shot: cannot open %s\n", qPrintable(parser.value("project")));
        return 1;
    }
    form.show();
    if (form.Project().Opened) {
        TKivNode* node = nodeToSelect(form.Project(), parser.value("select"));
        form.tvProject->setCurrentItem(dynamic_cast<TKivTreeNode*>(node));
        if (parser.isSet("channel-type")) {
            if (auto* frame = dynamic_cast<TFrameChannel*>(form.BottomFrame())) {
                const int type = parser.value("channel-type").toInt();
                frame->cbxType->setCurrentIndex(type);
                emit frame->cbxType->activated(type);
            }
        }
        form.SetModified(false);
    }
    settle(form);
    QWidget* target = &form;
    if (parser.isSet("about")) {
        form.ShowAbout();
        target = form.FormAbout();
        settle(form);
    }
    if (!target->grab().save(out)) {
        std::fprintf(stderr, "tamsor-shot: cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}

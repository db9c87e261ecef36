// tamsor-cli set-channel: changes the read options of a channel of a project.
#include "CliCommand.h"
#include "CliProject.h"
#include "CliReadOptions.h"
#include "model/KivProjectSession.h"
#include "model/KivTamsor.h"

namespace
{

int runSetChannel(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.zop"), QStringLiteral("Project file."));
    parser.addPositionalArgument(
        QStringLiteral("CHANNEL"),
        QStringLiteral("Channel position, counted from 1 in project order."));
    parser.addOptions(readOptionArguments());
    if (!parseCommandArguments(parser, QStringLiteral("set-channel"), arguments))
        return parser.isSet(QStringLiteral("help")) ? 0 : 2;
    if (parser.positionalArguments().size() != 2 || !readOptionsGiven(parser))
        return commandUsageError(
            parser, QStringLiteral("set-channel"),
            QStringLiteral("expected a project file, a channel and an option"));
    const QString path = parser.positionalArguments().at(0);
    TKivProjectSession session;
    TKivTamsor root;
    openCliProject(session, path, root);
    TKivChannel* channel = findChannelRef(root, parser.positionalArguments().at(1));
    applyReadOptions(parser, *channel);
    saveCliProject(session, root);
    cliOut() << "Channel " << parser.positionalArguments().at(1).trimmed() << " ("
             << channel->GetCaption() << "): " << readOptionsText(*channel) << "\n"
             << Qt::flush;
    return 0;
}

CliCommandRegistration registration(
    {QStringLiteral("set-channel"),
     QStringLiteral("FILE.zop CHANNEL [--defined-only | --all-registers] [--block-registers N] "
                    "[--in-flight N]"),
     QStringLiteral("Change how a channel reads its stations"), runSetChannel});

} // namespace

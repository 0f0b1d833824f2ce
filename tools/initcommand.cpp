#include "commands.h"

#include "commandline.h"
#include "folderzip.h"
#include "pluginscaffold.h"

#include <QTextStream>

#include <algorithm>

using namespace CommandLine;

namespace {

const char usage[] = "tessel init [--name NAME] ID FOLDER";
const char helpText[] =
    "usage: tessel init [--name NAME] ID FOLDER\n\n"
    "Writes a small working web plug-in of id ID into FOLDER, which must not exist yet or be\n"
    "empty: its manifest plugin.spec with one action and a hot key, its page index.html and\n"
    "main.js (the page sets its window's status once it has loaded, and answers the action)\n"
    "and its icon icons/app.png. It passes 'tessel lint --strict'; install it by putting\n"
    "FOLDER into the host's plug-in folder or listing it in webplugins.xml there.\n\n"
    "  --name NAME   the plug-in's name in menus and its window title (default: ID)\n"
    "  --help        show this text\n";

bool isOneLine(const QString &text)
{
    return std::none_of(text.cbegin(), text.cend(),
                        [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

int initCommand(const QStringList &arguments)
{
    QStringList args = arguments;
    if (args.contains(QStringLiteral("--help")))
        return help(QString::fromLatin1(helpText));
    QString name;
    const int at = args.indexOf(QStringLiteral("--name"));
    if (at >= 0) {
        if (at + 1 >= args.size())
            return usageError(QStringLiteral("init"), QStringLiteral("--name needs a value"),
                              QString::fromLatin1(usage));
        name = args.at(at + 1);
        args.erase(args.begin() + at, args.begin() + at + 2);
    }
    if (args.size() != 2 || args.at(0).startsWith(QLatin1String("--"))
        || args.at(1).startsWith(QLatin1String("--"))) {
        return usageError(QStringLiteral("init"), QStringLiteral("expects ID and FOLDER"),
                          QString::fromLatin1(usage));
    }
    const QString id = args.at(0);
    const QString folder = args.at(1);
    if (!PluginScaffold::isPlainId(id)) {
        return failure(id, QStringLiteral("an id is letters, digits, '.', '-' and '_', starting "
                                          "with a letter or digit"));
    }
    if (name.isNull())
        name = id;
    if (name.trimmed().isEmpty() || !isOneLine(name))
        return failure(QStringLiteral("--name"), QStringLiteral("a name is one line of text, not blank"));

    QString error;
    if (!writeNewFolder(PluginScaffold(id, name).files(), folder, &error))
        return failure(folder, error);
    QTextStream(stdout) << "wrote plug-in '" << id << "' to " << folder << '\n';
    return Success;
}

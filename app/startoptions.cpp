#include "app/startoptions.h"

#include "settings/unitmodel.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

namespace app {

ParsedArguments parseArguments(const QStringList &arguments, const QString &version)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("app", "Configures a GSM gate or intercom controller unit over a serial cable.\n"
                                           "With --model and --port the selection window is skipped; FILE is opened "
                                           "once the\nmain window is ready."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption showVersion = parser.addVersionOption();
    const QCommandLineOption model(QStringLiteral("model"), QCoreApplication::translate("app", "Unit model: gate or intercom."),
                                   QStringLiteral("M"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QCoreApplication::translate("app", "Port number as the selection window lists it, a device path, or "
                                                                     "\"sim\" for the simulated unit."),
                                  QStringLiteral("P"));
    parser.addOptions({model, port});
    parser.addPositionalArgument(QStringLiteral("FILE"), QCoreApplication::translate("app", "A settings file (*.gsm) to open."),
                                 QStringLiteral("[FILE]"));

    ParsedArguments out;
    const auto error = [&out](const QString &text) {
        out.outcome = ParsedArguments::Outcome::Error;
        out.text = QCoreApplication::translate("app", "norvikconf: %1\nTry 'norvikconf --help'.\n").arg(text);
        return out;
    };
    if (!parser.parse(arguments))
        return error(parser.errorText());
    const bool helpAll = parser.isSet(QStringLiteral("help-all"));
    if (parser.isSet(help) || helpAll || parser.isSet(showVersion)) {
        out.outcome = ParsedArguments::Outcome::Exit;
        // Without an application object the parser cannot know the program's name.
        out.text = parser.isSet(showVersion) && !parser.isSet(help) && !helpAll
                       ? QStringLiteral("norvikconf %1\n").arg(version)
                       : parser.helpText().replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                                                   QStringLiteral("Usage: norvikconf"));
        return out;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return error(QCoreApplication::translate("app", "one FILE at most"));
    out.options.model = parser.value(model);
    if (parser.isSet(model) && out.options.model != settings::kGate && out.options.model != settings::kIntercom)
        return error(QCoreApplication::translate("app", "unknown model \"%1\": use gate or intercom").arg(out.options.model));
    out.options.port = parser.value(port);
    if (parser.isSet(port) && out.options.port.isEmpty())
        return error(QCoreApplication::translate("app", "--port needs a number, a device path or \"sim\""));
    if (!files.isEmpty())
        out.options.file = QFileInfo(files.first()).absoluteFilePath();
    return out;
}

} // namespace app

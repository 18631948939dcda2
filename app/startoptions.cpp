#include "app/startoptions.h"

#include "settings/unitmodel.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

namespace app {

ParsedArguments parseArguments(const QStringList &arguments, const QString &version)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Configures a GSM gate or intercom controller unit over a serial cable.\n"
                       "With --model and --port the selection window is skipped; FILE is opened once the\n"
                       "main window is ready."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption showVersion = parser.addVersionOption();
    const QCommandLineOption model(QStringLiteral("model"), QStringLiteral("Unit model: gate or intercom."),
                                   QStringLiteral("M"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port number as the selection window lists it, or a device path."),
                                  QStringLiteral("P"));
    parser.addOptions({model, port});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A settings file (*.gsm) to open."),
                                 QStringLiteral("[FILE]"));

    ParsedArguments out;
    const auto error = [&out](const QString &text) {
        out.outcome = ParsedArguments::Outcome::Error;
        out.text = QStringLiteral("norvikconf: %1\nTry 'norvikconf --help'.\n").arg(text);
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
        return error(QStringLiteral("one FILE at most"));
    out.options.model = parser.value(model);
    if (parser.isSet(model) && out.options.model != settings::kGate && out.options.model != settings::kIntercom)
        return error(QStringLiteral("unknown model \"%1\": use gate or intercom").arg(out.options.model));
    out.options.port = parser.value(port);
    if (parser.isSet(port) && out.options.port.isEmpty())
        return error(QStringLiteral("--port needs a number or a device path"));
    if (!files.isEmpty())
        out.options.file = QFileInfo(files.first()).absoluteFilePath();
    return out;
}

} // namespace app

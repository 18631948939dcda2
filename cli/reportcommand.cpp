#include "cli/reportcommand.h"

#include "accesslist/accesslist.h"
#include "cli/unitjob.h"
#include "settings/unitmodel.h"
#include "transfer/settingsfile.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

namespace cli {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("cli::Report", text); }

int fail(int code, const QString &text)
{
    QTextStream(stderr) << "norvikconf-cli: " << text << '\n';
    return code;
}

} // namespace

int report_main(int argc, char *argv[])
{
    // No display is needed, nor looked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("norvikconf-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Writes the access list of a settings file as a PDF: the numbers in list "
                                        "order with their rights or unit numbers, the system settings (never the "
                                        "password) and a line to sign. Exit codes: 0 written, 1 usage, 7 FILE "
                                        "cannot be read or OUT cannot be written, or exists without --force."));
    parser.addHelpOption();
    const QCommandLineOption pdfOption(QStringLiteral("pdf"), tr("Write the PDF to OUT."), QStringLiteral("OUT"));
    const QCommandLineOption forceOption(QStringLiteral("force"), tr("Replace OUT when it exists."));
    const QCommandLineOption modelOption(QStringLiteral("model"),
                                         tr("Unit model: gate (outputs, the default) or intercom (unit numbers)."),
                                         QStringLiteral("M"), settings::kGate);
    // The register of sites will add --site NAME here: its name, labels and last printed list.
    parser.addOptions({pdfOption, forceOption, modelOption});
    parser.addPositionalArgument(QStringLiteral("report"), tr("The command."));
    parser.addPositionalArgument(QStringLiteral("FILE"), tr("The settings file (*.gsm)."));
    if (!parser.parse(app.arguments()))
        return fail(kUsage, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(kDone);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2)
        return fail(kUsage, tr("report needs one FILE"));
    if (!parser.isSet(pdfOption) || parser.value(pdfOption).isEmpty())
        return fail(kUsage, tr("report needs --pdf OUT.pdf"));
    const QString model = parser.value(modelOption);
    if (model != settings::kGate && model != settings::kIntercom)
        return fail(kUsage, tr("unknown model \"%1\": use gate or intercom").arg(model));

    const QString out = parser.value(pdfOption);
    if (!parser.isSet(forceOption) && QFileInfo::exists(out))
        return fail(kBadFile, tr("report: \"%1\" already exists and was left as it is; give --force to replace it.").arg(out));
    accesslist::AccessList list;
    QString error;
    if (!transfer::read_settings_file(args.at(1), list.settings, &error))
        return fail(kBadFile, error);
    list.unitModel = model;
    list.source = QFileInfo(args.at(1)).fileName();
    list.date = QDate::currentDate();
    const accesslist::PrintOutcome outcome = accesslist::write_access_list_pdf(out, list);
    if (outcome.kind != accesslist::PrintOutcome::Kind::Done)
        return fail(kBadFile, accesslist::outcome_text(outcome));
    QTextStream(stderr) << "report: " << accesslist::outcome_text(outcome) << '\n';
    return kDone;
}

} // namespace cli

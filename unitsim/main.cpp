// gsm-unit-sim: a stand-in GSM unit on a pseudo-terminal, for trying the program without hardware.
#include "platform/interruptwatch.h"
#include "unitsim/ptyunit.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gsm-unit-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated GSM controller unit on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption model(QStringLiteral("model"), QStringLiteral("Unit model: gate or intercom."),
                                   QStringLiteral("model"), QStringLiteral("gate"));
    const QCommandLineOption echo(QStringLiteral("echo"), QStringLiteral("Echo each command before answering."));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Read commands but never answer."));
    const QCommandLineOption split(QStringLiteral("split"), QStringLiteral("Send each reply in N pieces."),
                                   QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption pace(QStringLiteral("pace"), QStringLiteral("Take in commands and send replies no faster than a 9600 baud line "
                                                                         "(960 bytes a second each way)."));
    const QCommandLineOption refuse(QStringLiteral("refuse"),
                                    QStringLiteral("Refuse every command beginning with WORD with CODE, e.g. "
                                                   "\"SYS NAME:11\"."),
                                    QStringLiteral("WORD:CODE"));
    const QCommandLineOption dumpName(QStringLiteral("dump-name"),
                                      QStringLiteral("Report this system name in the dump, whatever was set."),
                                      QStringLiteral("name"));
    const QCommandLineOption dropNumber(QStringLiteral("dump-drop"),
                                        QStringLiteral("Leave the N-th number (from 1) out of the dump."),
                                        QStringLiteral("N"));
    const QCommandLineOption numbers(QStringLiteral("numbers"),
                                     QStringLiteral("Start with N made-up numbers in the list (at most %1).")
                                         .arg(unitsim::UnitProtocol::MaxNumbers),
                                     QStringLiteral("N"), QStringLiteral("0"));
    parser.addOptions({model, echo, silent, split, pace, refuse, dumpName, dropNumber, numbers});
    parser.process(app);

    QTextStream err(stderr);
    const QString modelName = parser.value(model);
    if (modelName != QLatin1String("gate") && modelName != QLatin1String("intercom")) {
        err << "Unknown model \"" << modelName << "\": use gate or intercom\n";
        return 2;
    }
    bool splitOk = false;
    const int pieces = parser.value(split).toInt(&splitOk);
    if (!splitOk || pieces < 1) {
        err << "--split needs a whole number of 1 or more\n";
        return 2;
    }

    bool numbersOk = false;
    const int startNumbers = parser.value(numbers).toInt(&numbersOk);
    if (!numbersOk || startNumbers < 0 || startNumbers > unitsim::UnitProtocol::MaxNumbers) {
        err << "--numbers needs a whole number from 0 to " << unitsim::UnitProtocol::MaxNumbers << '\n';
        return 2;
    }

    const QString refusal = parser.value(refuse);
    const qsizetype colon = refusal.lastIndexOf(QLatin1Char(':'));
    bool codeOk = false;
    const int code = refusal.mid(colon + 1).toInt(&codeOk);
    if (parser.isSet(refuse) && (colon <= 0 || !codeOk)) {
        err << "--refuse needs WORD:CODE, e.g. \"SYS NAME:11\"\n";
        return 2;
    }

    unitsim::PtyUnit unit;
    if (parser.isSet(refuse))
        unit.protocol().refuse(refusal.left(colon), code);
    unit.protocol().state().numbers = unitsim::sampleNumbers(startNumbers);
    unit.protocol().dumpFaults().systemName = parser.value(dumpName);
    unit.protocol().dumpFaults().dropNumber = parser.value(dropNumber).toInt() - 1;
    unit.protocol().setModel(modelName == QLatin1String("intercom") ? unitsim::Model::Intercom
                                                                    : unitsim::Model::Gate);
    unitsim::Behaviour &b = unit.behaviour();
    b.echo = parser.isSet(echo);
    b.silent = parser.isSet(silent);
    b.splitReplies = pieces;
    b.pace9600 = parser.isSet(pace);

    QString error;
    if (!unit.start(&error)) {
        err << "Cannot open a pseudo-terminal: " << error << '\n';
        return 1;
    }

    platform::InterruptWatch interrupts;
    if (!interrupts.isWatching()) {
        err << "Cannot set up signal handling\n";
        return 1;
    }
    QObject::connect(&interrupts, &platform::InterruptWatch::interrupted, &app, &QCoreApplication::quit);

    QTextStream out(stdout);
    out << "Simulated GSM unit on " << unit.devicePath() << '\n'
        << "Start the program with NORVIKCONF_PORTS=" << unit.devicePath() << '\n'
        << "Model " << modelName << ", password " << unit.protocol().state().password
        << "; Ctrl+C to stop" << Qt::endl;

    QObject::connect(&unit, &unitsim::PtyUnit::commandReceived, &app,
                     [&out](const QString &command) { out << "> " << command << Qt::endl; });

    const int rc = app.exec();
    unit.unplug();
    out << "Stopped" << Qt::endl;
    return rc;
}

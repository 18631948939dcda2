#pragma once
#include "cli/request.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

namespace cli {

class Reporter;

// One command of the program: its name, what it does, which options it takes, how it may end
// and what runs it. New commands are one more row in commands().
struct Command {
    QString name;
    QString synopsis;      // "upload FILE --port P --model M"
    QString summary;       // one sentence for the general help
    QStringList options;   // the option names it takes, besides --help, --json and --quiet
    QList<int> exitCodes;  // the codes it may end with
    int arguments = 1;     // how many arguments follow the command
    bool needsPort = true; // false when it never talks to a unit
    bool needsModel = true;
    int (*run)(const Request &request, Reporter &report) = nullptr;
    // A command with its own options and application object, run from main's arguments
    // before anything else (`run` is then not used).
    int (*runOwn)(int argc, char *argv[]) = nullptr;
};

// The context of the commands' texts.
class Commands {
    Q_DECLARE_TR_FUNCTIONS(cli::Commands)
};

const QList<Command> &commands();
const Command *findCommand(const QString &name);
// What an exit code means, one line.
QString exitCodeText(int code);

// The commands, each in its own file.
int runPorts(const Request &request, Reporter &report);
int runUpload(const Request &request, Reporter &report);
int runDownload(const Request &request, Reporter &report);
int runVerify(const Request &request, Reporter &report);
int runOutput(const Request &request, Reporter &report);
int runDiff(const Request &request, Reporter &report);
int runReport(int argc, char *argv[]);
int runSite(int argc, char *argv[]);

} // namespace cli

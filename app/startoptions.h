#pragma once
#include <QString>
#include <QStringList>

namespace app {

// What the command line asks of a start: `norvikconf [--model M] [--port P] [FILE]`.
struct StartOptions {
    QString file;  // opened once the main window is prepared (absolute; empty: none)
    QString model; // settings::kGate or settings::kIntercom; empty: chosen on the selection window
    QString port;  // a number of the port list or a device path; empty: chosen on the selection window
};

struct ParsedArguments {
    enum class Outcome {
        Run,
        Exit,  // --help or --version: print `text` on stdout, exit 0
        Error, // print `text` on stderr, exit 1
    };
    Outcome outcome = Outcome::Run;
    QString text;
    StartOptions options;
};

// Reads the arguments (the program's name first). Needs no QCoreApplication, so that --help
// and --version answer without a display.
ParsedArguments parseArguments(const QStringList &arguments, const QString &version);

} // namespace app

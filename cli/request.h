#pragma once
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

// The exit codes of the command-line program.
enum ExitCode : int {
    kDone = 0,
    kUsage = 1,
    kPortFailed = 2, // the port cannot be opened, or went away
    kWrongPassword = 3,
    kRefused = 4,       // the unit refused a command
    kNoAnswer = 5,      // no readable answer within the patience
    kDifferences = 6,   // the unit does not hold what the file holds
    kBadFile = 7,       // the file cannot be read or written, or is not a settings file
    kWrongUnit = 8,     // the unit is another site's: its list was not cleared (--force to go on)
    kRegister = 9,      // the register: not one, an unknown site, a damaged site file
    kRemote = 10,       // the shared register cannot be reached, or refused the push
    kInterrupted = 130, // Ctrl-C
};

// What the command line asked for, checked against what its command takes.
struct Request {
    QString command;
    QStringList arguments; // after the command: FILE, or N on|off
    std::optional<QString> port;
    QString model;
    std::optional<QString> password;
    std::optional<QString> passwordFile;
    std::optional<QString> since;
    std::optional<int> timeoutMs;
    QString only; // upload and sync: "settings" or "numbers"; empty: both
    bool verify = false;
    bool systemParameters = false;
    bool noNumbers = false;
    bool json = false;
    bool quiet = false;
    bool force = false;
    bool dryRun = false;
};

// How reading the command line ended: a request to run, a text to print, or a usage error.
struct Parsed {
    enum class Kind { Run,
                      Help,
                      Version,
                      Usage };
    Kind kind = Kind::Usage;
    Request request;
    QString text;      // Help and Version: what to print; Usage: what is wrong
    bool json = false; // --json was given, whatever else was wrong
};

class Arguments {
    Q_DECLARE_TR_FUNCTIONS(cli::Arguments)
public:
    // `arguments` as the program got them, its name first.
    static Parsed parse(const QStringList &arguments);
    // The general help, or with `command` that command's options and exit codes.
    static QString help(const QString &command = QString());
};

} // namespace cli

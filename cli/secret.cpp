#include "cli/secret.h"

#include "platform/latin1.h"
#include "platform/textfile.h"
#include "settings/settingsset.h"
#include "settings/valuecheck.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace cli {

namespace {

termios g_shown{}; // the terminal as it was, for a Ctrl-C while it is hidden

// Ctrl-C at the question ends the program as always, but not with the terminal left silent.
void restoreAndStop(int signal)
{
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_shown);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Reads one line from the terminal on stdin without showing it.
std::optional<QString> askQuietly(const QString &prompt)
{
    termios shown{};
    if (::isatty(STDIN_FILENO) != 1 || ::tcgetattr(STDIN_FILENO, &shown) != 0)
        return std::nullopt;
    termios hidden = shown;
    hidden.c_lflag &= ~tcflag_t(ECHO);
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    g_shown = shown;
    const auto previous = std::signal(SIGINT, restoreAndStop);
    if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden) != 0) {
        std::signal(SIGINT, previous);
        return std::nullopt;
    }
    char line[256];
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &shown);
    std::signal(SIGINT, previous);
    std::fputc('\n', stderr);
    if (!read)
        return std::nullopt;
    QString answer = QString::fromLocal8Bit(line);
    while (answer.endsWith(QLatin1Char('\n')) || answer.endsWith(QLatin1Char('\r')))
        answer.chop(1);
    return answer;
}

} // namespace

Secret read_password(const std::optional<QString> &option, const std::optional<QString> &file, bool ask,
                     const QString &defaultText)
{
    Secret s;
    if (option && file) {
        s.error = QCoreApplication::translate("cli", "give the password one way only: --password or --password-file");
        return s;
    }
    if (option) {
        s.given = true;
        s.source = Secret::Source::Option;
        s.password = *option;
        s.warning = QCoreApplication::translate("cli", "warning: --password can be read by every user of this computer "
                                                       "while the program runs; use --password-file or %1 instead")
                        .arg(QLatin1String(kPasswordVariable));
    } else if (file) {
        QByteArray bytes;
        QString error;
        if (!platform::readFile(*file, &bytes, &error, 4096)) {
            s.error = QCoreApplication::translate("cli", "--password-file: %1").arg(error);
            return s;
        }
        const qsizetype end = bytes.indexOf('\n');
        QByteArray first = end < 0 ? bytes : bytes.left(end);
        if (first.endsWith('\r'))
            first.chop(1);
        s.given = true;
        s.source = Secret::Source::File;
        s.password = platform::fromWire(first);
    } else if (const QByteArray env = qgetenv(kPasswordVariable); !env.isEmpty()) {
        s.given = true;
        s.source = Secret::Source::Environment;
        s.password = QString::fromLocal8Bit(env);
    } else if (ask) {
        if (const std::optional<QString> answer =
                askQuietly(QCoreApplication::translate("cli", "Unit password (Enter: %1): ").arg(defaultText));
            answer && !answer->isEmpty()) {
            s.given = true;
            s.source = Secret::Source::Terminal;
            s.password = *answer;
        }
    }
    if (s.given) {
        if (const QString p = settings::text_problem(s.password, settings::kRefusedInPassword, settings::kPasswordLength);
            !p.isEmpty())
            s.error = QCoreApplication::translate("cli", "the password %1").arg(p);
    }
    return s;
}

} // namespace cli

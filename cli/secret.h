#pragma once
#include <QString>

#include <optional>

namespace cli {

// The unit's password is a secret: the command line of a running program is public (every
// user's `ps` shows it), its environment and the user's own files are not.
inline constexpr char kPasswordVariable[] = "NORVIKCONF_PASSWORD";

struct Secret {
    // Where the password came from, for a hint when the unit refuses it.
    enum class Source { Default,
                        Option,
                        File,
                        Environment,
                        Terminal };
    Source source = Source::Default;
    bool given = false; // false: none was given, the caller's default stands
    QString password;
    QString warning; // for stderr, e.g. that --password is visible to other users
    QString error;   // a usage error: the password cannot be used, or was given twice
};

// Where the password comes from, first that applies: `option` (--password, with a warning),
// `file` (--password-file: its first line), the environment variable kPasswordVariable, or,
// when `ask` and stdin is a terminal, a question on stderr answered with echo off (an empty
// answer keeps the default, which `defaultText` names). The password passes the check every
// value passes.
Secret read_password(const std::optional<QString> &option, const std::optional<QString> &file, bool ask,
                     const QString &defaultText);

} // namespace cli

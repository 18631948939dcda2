#pragma once
#include <QList>
#include <QString>

namespace unitlink {

// The unit answers each command with whole status codes in parentheses, e.g. "SYS NAME OK (12)".
// These are the codes the program acts on; every other code means something only to the unit.
enum class ReplyCode : qint16 {
    SettingAccepted = 12,
    Output1Off = 13, // outputs 1 to 4 each have an off code and the on code after it
    Output1On = 14,
    Output4On = 20,
    MasterAccepted = 22,
    ListCleared = 23,
    NumberAdded = 24,
    PasswordChanged = 38,
    WrongPassword = 39,
};

inline constexpr int kMaxReplyCodes = 21;
// A number that does not fit 16 bits is read as this: a positive code the link does not act on,
// so it neither triggers anything nor ends the processing of later codes as a 0 or a negative
// code does.
inline constexpr qint16 kCodeWithoutEffect = 32767;

// What a code means to the program, e.g. "accepted", "output 2 on", "wrong password"; empty
// where only the unit knows.
QString code_meaning(qint16 code);

// The readable codes of one reply in their order: for each "(" the text up to the first ")"
// after it. A "(" with no ")" after it is ignored; at most the first `limit` items are read.
// `unreadable` (if given) counts the items that are no whole number.
QList<qint16> read_reply_codes(const QString &text, qsizetype limit = kMaxReplyCodes, int *unreadable = nullptr);

struct OutputState {
    int output = 0; // 1..4
    bool on = false;
    bool operator==(const OutputState &) const = default;
};

// What one complete reply says. Codes are acted on in their order up to the first below 1.
struct Reply {
    QList<qint16> codes;
    int unreadable = 0;           // items between parentheses that are no whole number
    bool accepted = false;        // one of the acceptance codes was among them
    bool wrongPassword = false;   // the command was opened with the wrong password
    QList<OutputState> outputs;   // output states reported, in order
    bool outputStateOnly = false; // nothing but output states
    // Parentheses that hold no code at all: line noise, not an answer.
    bool noise() const { return codes.isEmpty() && unreadable > 0; }
};
Reply read_reply(const QString &text);

} // namespace unitlink

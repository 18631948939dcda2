#pragma once
// The stand-in unit's command handling, with no I/O: bytes in, replies out.
#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

namespace unitsim {

enum class Model { Gate,
                   Intercom };

struct NumberEntry {
    QString number; // stored without "+"
    QString value;  // gate: the output flag digits; intercom: the unit number
};

struct UnitState {
    QString password = QStringLiteral("5831");
    QString systemName = QStringLiteral("GSM Unit");
    bool errorReporting = false;
    bool outputConfirmation = false;
    QString monitorDigits;
    std::array<QString, 4> inputNames;
    QString masterNumber;
    QList<NumberEntry> numbers;
    std::array<bool, 4> outputs{};
};

// `count` made-up numbers, "27820000000" upwards, each with the value "1" (output 1 of a gate,
// unit number 1 of an intercom): a unit that starts out with a long list.
QList<NumberEntry> sampleNumbers(qsizetype count);

// Ways for the dump to differ from what the unit was told.
struct DumpFaults {
    qsizetype dropNumber = -1; // this entry of the list is left out
    QString systemName;        // reported instead of the stored name when not empty
    bool withoutMarks = false; // gate numbers without their output marks, as some firmware sends them
};

// One complete command read from the line and what the unit answers to it.
struct Exchange {
    QString command; // the text after the password, as received
    QByteArray reply;
};

class UnitProtocol {
public:
    // A frame that grows beyond this without its closing "*" is noise and dropped.
    static constexpr qsizetype MaxFrame = 512;
    // The unit's number memory; further additions are refused.
    static constexpr qsizetype MaxNumbers = 1000;

    // Feed bytes as they arrive, in pieces of any size; returns the commands
    // completed by them, in order.
    QList<Exchange> feed(const QByteArray &in);

    UnitState &state() { return m_state; }
    const UnitState &state() const { return m_state; }
    void setModel(Model model) { m_model = model; }
    Model model() const { return m_model; }
    // Answer each command with its own text first, as some firmware does.
    void setEcho(bool on) { m_echo = on; }

    // Refuse every command that begins with `word` (e.g. "SYS NAME") with `code`; an empty
    // word refuses nothing.
    void refuse(const QString &word, int code)
    {
        m_refuseWord = word;
        m_refuseCode = code;
    }
    DumpFaults &dumpFaults() { return m_dumpFaults; }

    // The settings dump, as answered to "SYS SPEW".
    QByteArray dump() const;
    // Bytes held while waiting for a frame to close.
    qsizetype pendingBytes() const { return m_buffer.size(); }

private:
    QByteArray execute(const QString &command);
    QByteArray applySetting(const QString &command);

    UnitState m_state;
    Model m_model = Model::Gate;
    bool m_echo = false;
    QString m_refuseWord;
    int m_refuseCode = 0;
    DumpFaults m_dumpFaults;
    QByteArray m_buffer; // empty, or starting with the "*" that opened a frame
};

} // namespace unitsim

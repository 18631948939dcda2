#pragma once
#include <QList>
#include <QString>

#include <array>

namespace settings {

// What every uploaded or saved text refuses, and the password besides: "|" ends a record of
// the unit's dump and of the file, "*" ends a command on the wire, and "." ends the password
// in a password record.
inline const QString kRefusedInText = QStringLiteral("|*");
inline const QString kRefusedInPassword = QStringLiteral("|*.");

// A value that did not fit its editor's typing limit and was kept whole.
struct LongValueKept {
    QString field;  // as the operator knows the editor, e.g. "System name"
    int length = 0; // characters of the value now in the editor
};

// One row of the number list.
struct NumberRow {
    QString unit;                  // the grid's first column: running number (gate) or unit number (intercom)
    QString number;                // as the grid holds it, normally the stored form "+2782..."
    std::array<bool, 4> outputs{}; // gate: the output marks; intercom rows carry none

    bool operator==(const NumberRow &) const = default;
};

// The output marks as the upload, the settings file and the CSV write them: "13" for outputs 1 and 3.
inline QString output_digits(const std::array<bool, 4> &outputs)
{
    QString out;
    for (int k = 0; k < 4; ++k)
        if (outputs[k])
            out += QLatin1Char(char('1' + k));
    return out;
}

// One set of unit settings with no widgets: what the record parser fills, the settings file
// reads and writes, the upload turns into commands and a verification compares. The editors
// load from it and store into it when a transfer starts; nobody keeps one beyond that.
// Default values are the editors' start values.
struct SettingsSet {
    QString password = QStringLiteral("5831");
    QString systemName = QStringLiteral("GSM Unit");
    QString masterNumber;
    std::array<QString, 4> inputNames{QStringLiteral("Input 1"), QStringLiteral("Input 2"), QStringLiteral("Input 3"),
                                      QStringLiteral("Input 4")};
    bool errorReporting = true;
    bool outputConfirmation = true;
    std::array<bool, 4> monitorInputs{true, true, true, true};
    // False when the settings came from a text without the options and monitor records (the
    // unit's dump never carries them): the three values above are then nobody's word, so
    // they are neither written to a file nor sent to the unit.
    bool systemOptionsKnown = true;
    QList<NumberRow> numbers;

    // What an upload sends besides the password and the name (the boxes chksys and chktel).
    bool uploadSystem = false;
    bool uploadTelephone = true;

    bool operator==(const SettingsSet &) const = default;
};

} // namespace settings

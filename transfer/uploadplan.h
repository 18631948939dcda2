#pragma once
#include "settings/settingsset.h"
#include "transfer/upload.h"

#include <QList>
#include <QString>

#include <optional>

namespace transfer {

// 9600 baud with a start and a stop bit around eight data bits: ten bits a byte.
inline constexpr int kLineBytesPerSecond = 960;
// What the unit answers to each command: a status code in parentheses and a line end,
// "OK (24)" and CR LF.
inline constexpr int kReplyBytes = 9;

struct PlanChoices {
    QString unitModel;
    bool sendEverything = false; // the operator wants the whole sequence whatever the unit holds
    bool numbersOnly = false;    // no "SYS" command: the unit keeps its password, name and options
};

// What an upload will send, and what the operator is told about it before it goes.
struct UploadPlan {
    enum class Kind {
        Full,        // every command, as if nothing were known about the unit
        Incremental, // only what changed and the new numbers; the unit's list is not cleared
    };
    Kind kind = Kind::Full;
    QList<UploadCommand> commands;
    QString reason;  // why everything is sent; empty for an incremental plan
    QString summary; // "Send 4 commands: System name and 3 new numbers (about 0.2 s)"
    qint64 bytesOut = 0;
    qint64 bytesIn = 0;
    double seconds = 0; // both ways at the line's speed

    int clearAt = -1;     // index of the command that clears the unit's list; -1 when none
    int firstNumber = -1; // index of the first number command; -1 when none
    int numbersSent = 0;
    int numbersKept = 0; // numbers the unit already holds and keeps (incremental plans)
};

// The shortest upload that leaves the unit holding `wanted`. `held` is what the unit is known
// to hold (nothing when it is not known). Only when the unit's list merely gains numbers is it
// left in place; the options the unit's dump does not carry are always sent when the system
// parameters are chosen, every other setting only when it differs.
UploadPlan plan_upload(const std::optional<settings::SettingsSet> &held, const settings::SettingsSet &wanted,
                       const PlanChoices &choices);

// "about 0.2 s", "about 9 s"
QString estimate_text(double seconds);

// The bar's text while command `number` (from 1) of `plan` is out: "Command 120 of 207, about
// 5 s left".
QString progress_text(const UploadPlan &plan, int number);

// What the unit holds when the chain of `plan` stopped with `acknowledged` commands taken:
// "The unit's list now holds the first 302 of 1000 numbers; upload again to complete it".
// Like the reason and the summary, it has no closing full stop: callers go on with it.
QString held_after_stop(const UploadPlan &plan, int acknowledged);

// An upload shorter than the whole sequence trusts what the unit was last seen to hold, and a
// resumed one may go to another unit: both end with a read-back, whatever the operator chose.
bool reads_back(const UploadPlan &plan, bool verifyChosen, bool resumed);
// The line the question before such an upload adds: "Afterwards the settings are read back
// (about 24 s): ..."; empty when the upload reads back only when the operator chose so.
QString read_back_note(const UploadPlan &plan, const settings::SettingsSet &wanted, bool verifyChosen);

enum class ResumeCheck {
    SameUnit,   // every setting the acknowledged commands gave is there, and they tell it apart
    OtherUnit,  // a setting the acknowledged commands gave is not there
    CannotKnow, // nothing the acknowledged commands gave tells one unit from another
};
// Whether the unit whose dump is `found` is the one `plan` went to until the line was lost,
// `acknowledged` commands in (the command after them may or may not have been taken).
// `before` is what that unit was known to hold when the upload began.
ResumeCheck check_resumed_unit(const UploadPlan &plan, int acknowledged,
                               const std::optional<settings::SettingsSet> &before, const UnitDump &found);

} // namespace transfer

#include "transfer/uploadplan.h"

#include "link/wire.h"
#include "settings/numberform.h"
#include "settings/unitmodel.h"
#include "transfer/dumpreader.h"
#include "transfer/recordtags.h"
#include "transfer/settingsparser.h"

#include <QCoreApplication>
#include <QHash>
#include <QMultiHash>
#include <QStringList>

#include <cmath>

namespace transfer {

namespace {

// On the wire a command is its word and value between the password and a blank in front and
// a star either side: one byte a character.
qint64 commandBytes(const QString &password, const UploadCommand &c)
{
    return unitlink::wire::command_text(password, c.word, c.value).size();
}

QString count(qsizetype n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// "a", "a and b", "a, b and c"
QString joined(const QStringList &items)
{
    if (items.size() < 2)
        return items.value(0);
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.last();
}

// How the wanted list stands against the unit's.
struct ListChange {
    QList<settings::NumberRow> added; // in the order of the wanted list
    int removed = 0;
    int changed = 0; // held numbers with other outputs or another unit number
};

ListChange compareLists(const QList<settings::NumberRow> &held, const QList<settings::NumberRow> &wanted, bool intercom)
{
    // By number, not position, as the unit's list and the verification know them; a number
    // listed twice pairs up twice.
    QMultiHash<QString, const settings::NumberRow *> unmatched;
    for (const settings::NumberRow &row : held)
        unmatched.insert(settings::strip_plus(row.number), &row);
    ListChange change;
    for (const settings::NumberRow &row : wanted) {
        const auto hit = unmatched.find(settings::strip_plus(row.number));
        if (hit == unmatched.end()) {
            change.added.append(row);
            continue;
        }
        const settings::NumberRow &there = *hit.value();
        unmatched.erase(hit);
        const bool same = intercom ? plain_number(row.unit) == plain_number(there.unit) : row.outputs == there.outputs;
        change.changed += same ? 0 : 1;
    }
    change.removed = int(unmatched.size());
    return change;
}

// "its list is cleared and all 201 numbers are sent again"
QString listResent(const QString &whose, qsizetype numbers)
{
    if (numbers == 0)
        return QStringLiteral("%1 list is cleared").arg(whose);
    if (numbers == 1)
        return QStringLiteral("%1 list is cleared and the 1 number is sent again").arg(whose);
    return QStringLiteral("%1 list is cleared and all %2 numbers are sent again").arg(whose).arg(numbers);
}

QString fullReason(const std::optional<settings::SettingsSet> &held, const settings::SettingsSet &wanted, bool asked,
                   const ListChange &change, bool intercom)
{
    const qsizetype n = wanted.numbers.size();
    if (asked)
        return wanted.uploadTelephone ? QStringLiteral("Everything is sent, as chosen: %1").arg(listResent(QStringLiteral("the unit's"), n))
                                      : QStringLiteral("Everything is sent, as chosen");
    if (!held)
        return wanted.uploadTelephone ? QStringLiteral("What the unit holds is not known, so %1").arg(listResent(QStringLiteral("its"), n))
                                      : QStringLiteral("What the unit holds is not known, so every setting is sent");
    QStringList what;
    if (change.removed > 0)
        what << (change.removed == 1 ? QStringLiteral("1 number was removed")
                                     : QStringLiteral("%1 numbers were removed").arg(change.removed));
    if (change.changed > 0)
        what << QStringLiteral("%1 given %2")
                    .arg(change.changed == 1 ? QStringLiteral("1 number was") : QStringLiteral("%1 numbers were").arg(change.changed),
                         intercom ? QStringLiteral("another unit number") : QStringLiteral("other outputs"));
    const QString verb = change.removed > 0 && change.changed > 0 ? QStringLiteral("remove or change")
                         : change.removed > 0                     ? QStringLiteral("remove")
                                                                  : QStringLiteral("change");
    return QStringLiteral("%1; the unit has no command to %2 one number, so %3").arg(joined(what), verb, listResent(QStringLiteral("its"), n));
}

void measure(UploadPlan &plan, const QString &password)
{
    for (int i = 0; i < plan.commands.size(); ++i) {
        const UploadCommand &c = plan.commands.at(i);
        plan.bytesOut += commandBytes(password, c);
        if (c.word == unitlink::wire::kClearNumbers)
            plan.clearAt = i;
        if (c.word == unitlink::wire::kAddNumber) {
            if (plan.firstNumber < 0)
                plan.firstNumber = i;
            ++plan.numbersSent;
        }
    }
    plan.bytesIn = qint64(kReplyBytes) * plan.commands.size();
    plan.seconds = double(plan.bytesOut + plan.bytesIn) / kLineBytesPerSecond;
}

QString summaryOf(const UploadPlan &plan)
{
    const qsizetype n = plan.commands.size();
    if (n == 0)
        return QStringLiteral("Nothing to send: the unit already holds these settings");
    const QString commands = count(n, "command", "commands");
    const QString estimate = estimate_text(plan.seconds);
    if (plan.kind == UploadPlan::Kind::Full)
        return plan.clearAt >= 0 ? QStringLiteral("Send %1; the unit's list is cleared first (%2)").arg(commands, estimate)
                                 : QStringLiteral("Send %1 (%2)").arg(commands, estimate);
    QStringList items;
    for (const UploadCommand &c : plan.commands)
        if (c.word != unitlink::wire::kAddNumber)
            items << c.label;
    if (plan.numbersSent > 0)
        items << count(plan.numbersSent, "new number", "new numbers");
    return QStringLiteral("Send %1: %2 (%3)").arg(commands, joined(items), estimate);
}

} // namespace

UploadPlan plan_upload(const std::optional<settings::SettingsSet> &held, const settings::SettingsSet &wanted,
                       const PlanChoices &choices)
{
    const bool intercom = choices.unitModel == settings::kIntercom;
    UploadPlan plan;
    const QList<UploadCommand> everything = upload_commands(wanted, choices.unitModel);
    ListChange change;
    if (held)
        change = compareLists(held->numbers, wanted.numbers, intercom);
    const bool listGrowsOnly = !wanted.uploadTelephone || (change.removed == 0 && change.changed == 0);

    if (!held || choices.sendEverything || !listGrowsOnly) {
        plan.commands = everything;
        plan.reason = fullReason(held, wanted, choices.sendEverything, change, intercom);
    } else {
        plan.kind = UploadPlan::Kind::Incremental;
        plan.numbersKept = int(held->numbers.size());
        // What the unit holds as the same commands would put it there. Its dump does not carry
        // the options, so they are taken as unlike the wanted ones: they go whenever chosen.
        settings::SettingsSet known = *held;
        known.uploadSystem = wanted.uploadSystem;
        known.uploadTelephone = wanted.uploadTelephone;
        known.errorReporting = !wanted.errorReporting;
        known.outputConfirmation = !wanted.outputConfirmation;
        for (int k = 0; k < 4; ++k)
            known.monitorInputs[k] = !wanted.monitorInputs[k];
        QHash<QString, QString> there;
        for (const UploadCommand &c : upload_commands(known, choices.unitModel))
            there.insert(c.word, c.value);
        for (const UploadCommand &c : everything) {
            if (c.word == unitlink::wire::kClearNumbers)
                break;
            const auto hit = there.constFind(c.word);
            if (hit == there.cend() || *hit != c.value)
                plan.commands.append(c);
        }
        // The new numbers, worded as the whole sequence words them.
        settings::SettingsSet added = wanted;
        added.numbers = change.added;
        for (const UploadCommand &c : upload_commands(added, choices.unitModel))
            if (c.word == unitlink::wire::kAddNumber)
                plan.commands.append(c);
    }
    if (choices.numbersOnly)
        plan.commands.removeIf([](const UploadCommand &c) { return c.word.startsWith(QLatin1String("SYS ")); });
    measure(plan, wanted.password);
    plan.summary = summaryOf(plan);
    return plan;
}

QString estimate_text(double seconds)
{
    if (seconds < 0.95)
        return QStringLiteral("about %1 s").arg(std::max(0.1, std::round(seconds * 10) / 10), 0, 'f', 1);
    return QStringLiteral("about %1 s").arg(std::llround(seconds));
}

QString progress_text(const UploadPlan &plan, int number)
{
    const qsizetype total = plan.commands.size();
    if (total == 0)
        return QString();
    const double left = plan.seconds * double(total - number + 1) / double(total);
    return QStringLiteral("Command %1 of %2, %3 left").arg(number).arg(total).arg(estimate_text(left));
}

QString held_after_stop(const UploadPlan &plan, int acknowledged)
{
    if (acknowledged >= plan.commands.size())
        return QStringLiteral("The unit holds everything that was sent");
    const bool clears = plan.clearAt >= 0;
    if (plan.numbersSent == 0 || acknowledged <= (clears ? plan.clearAt : plan.firstNumber))
        return clears || plan.numbersSent == 0
                   ? QStringLiteral("The unit's list is as it was; upload again to send the rest of the settings")
                   : QStringLiteral("The unit's list still holds its %1 and none of the %2 new ones; upload again to "
                                    "complete it")
                         .arg(count(plan.numbersKept, "number", "numbers"))
                         .arg(plan.numbersSent);
    const int taken = std::max(0, acknowledged - plan.firstNumber);
    if (clears && taken == 0)
        return QStringLiteral("The unit's list is now empty (0 of %1); upload again to complete it")
            .arg(count(plan.numbersSent, "number", "numbers"));
    if (clears)
        return QStringLiteral("The unit's list now holds the first %1 of %2; upload again to complete it")
            .arg(taken)
            .arg(count(plan.numbersSent, "number", "numbers"));
    return QStringLiteral("The unit's list now holds its %1 and the first %2 of the %3 new ones; upload again to "
                          "complete it")
        .arg(count(plan.numbersKept, "number", "numbers"))
        .arg(taken)
        .arg(plan.numbersSent);
}

bool reads_back(const UploadPlan &plan, bool verifyChosen, bool resumed)
{
    return verifyChosen || resumed || plan.kind == UploadPlan::Kind::Incremental;
}

QString read_back_note(const UploadPlan &plan, const settings::SettingsSet &wanted, bool verifyChosen)
{
    if (verifyChosen || !reads_back(plan, false, false))
        return QString();
    return QCoreApplication::translate("transfer::UploadPlan",
                                       "Afterwards the settings are read back (%1), whether or not \"Verify after "
                                       "upload\" is ticked: only the changes are sent, so what the unit holds is "
                                       "checked.")
        .arg(estimate_text(double(expected_dump_bytes(wanted)) / kLineBytesPerSecond));
}

namespace {
// The numbers of a list as the unit stores them, each as often as it is listed.
QStringList storedNumbers(const QList<settings::NumberRow> &rows)
{
    QStringList out;
    for (const settings::NumberRow &row : rows)
        out << settings::strip_plus(row.number);
    out.sort();
    return out;
}
} // namespace

ResumeCheck check_resumed_unit(const UploadPlan &plan, int acknowledged,
                               const std::optional<settings::SettingsSet> &before, const UnitDump &found)
{
    using unitlink::wire::kAddNumber;
    const settings::SettingsSet &held = found.settings;
    bool told = false; // something the unit holds tells it apart
    // The settings each acknowledged command gave (a later command of the same word wins).
    QHash<QString, QString> given;
    for (int i = 0; i < acknowledged && i < plan.commands.size(); ++i)
        given.insert(plan.commands.at(i).word, plan.commands.at(i).value);
    const QList<std::pair<QString, QString>> fields{
        {unitlink::wire::kName, tags::kName},
        {unitlink::wire::kMasterNumber, tags::kMasterNumber},
        {unitlink::wire::input_name_word(0), tags::input_name(0)},
        {unitlink::wire::input_name_word(1), tags::input_name(1)},
        {unitlink::wire::input_name_word(2), tags::input_name(2)},
        {unitlink::wire::input_name_word(3), tags::input_name(3)},
    };
    for (const auto &[word, tag] : fields) {
        const auto hit = given.constFind(word);
        if (hit == given.cend() || !found.tags.contains(tag))
            continue;
        const QString there = tag == tags::kName           ? held.systemName
                              : tag == tags::kMasterNumber ? held.masterNumber
                                                           : held.inputNames[tag.at(1).digitValue() - 1];
        if (there != *hit)
            return ResumeCheck::OtherUnit;
        told = true;
    }
    // The list: what the unit held before, or nothing once the clearing was acknowledged, then
    // the numbers acknowledged since, and perhaps the one in flight.
    const bool cleared = plan.clearAt >= 0 && acknowledged > plan.clearAt;
    if (cleared || before) {
        QStringList expected = cleared ? QStringList() : storedNumbers(before->numbers);
        for (int i = std::max(0, cleared ? plan.clearAt + 1 : 0); i < acknowledged && i < plan.commands.size(); ++i)
            if (plan.commands.at(i).word == kAddNumber)
                expected << settings::strip_plus(plan.commands.at(i).value.section(QLatin1Char(','), 0, 0));
        QStringList withNext = expected;
        if (acknowledged < plan.commands.size() && plan.commands.at(acknowledged).word == kAddNumber)
            withNext << settings::strip_plus(plan.commands.at(acknowledged).value.section(QLatin1Char(','), 0, 0));
        expected.sort();
        withNext.sort();
        const QStringList there = storedNumbers(held.numbers);
        if (there != expected && there != withNext)
            return ResumeCheck::OtherUnit;
        told = told || !there.isEmpty();
    }
    return told ? ResumeCheck::SameUnit : ResumeCheck::CannotKnow;
}

} // namespace transfer

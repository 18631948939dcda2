#include "mainwindow/numberimport.h"

#include "platform/dialogs.h"
#include "platform/savename.h"
#include "platform/textfile.h"
#include "settings/numberform.h"
#include "settings/settingseditors.h"
#include "settings/unitmodel.h"
#include "settings/valuecheck.h"
#include "transfer/numbercsv.h"
#include "transfer/settingsfile.h"
#include "transfer/upload.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace mainwindow {

// The list's files, records and limits are the transfer code's.
using namespace transfer;

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(mainwindow::NumberImport)
};

QString csvFilter() { return Text::tr("CSV Files (*.csv)|*.csv|All Files (*.*)|*"); }
// Enough refused lines to see the pattern; the rest are counted.
constexpr int kRefusalsListed = 15;

QString count(qsizetype n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

QString tooLongText(qsizetype over)
{
    const int n = int(over);
    return QCoreApplication::translate("transfer::NumberImport",
                                       n == 1 ? "The list would be too long for one upload: at most %1 commands can "
                                                "be sent, which leaves room for %n fewer number. Remove %n number "
                                                "and import again. Nothing was changed."
                                              : "The list would be too long for one upload: at most %1 commands can "
                                                "be sent, which leaves room for %n fewer numbers. Remove %n numbers "
                                                "and import again. Nothing was changed.",
                                       nullptr, n)
        .arg(kMaxUploadCommands);
}

// What a CSV file brings: the rows that pass the list's check, those of them not listed yet,
// the lines refused with why, and the lines of numbers already listed.
struct Sorted {
    QList<settings::NumberRow> fresh, all;
    QList<CsvRefusal> refused;
    QStringList duplicateLines;
};

Sorted sortRows(const NumbersCsv &csv, const QList<settings::NumberRow> &shown)
{
    QSet<QString> listed;
    for (const settings::NumberRow &row : shown)
        listed.insert(row.number);
    // Every number passes the one check the list holds, whatever the reader made of it.
    Sorted out;
    out.refused = csv.refused;
    QSet<QString> read;
    for (const CsvNumber &n : csv.numbers) {
        const settings::NumberCheck check = settings::check_number(n.row.number);
        QString why = check.ok() ? settings::text_problem(n.row.unit, settings::kRefusedInText) : check.problem;
        if (why.isEmpty() && read.contains(check.stored))
            why = Text::tr("%1 was already read").arg(check.stored);
        if (!why.isEmpty()) {
            out.refused.append({n.line, why});
            continue;
        }
        read.insert(check.stored);
        settings::NumberRow row = n.row;
        row.number = check.stored;
        out.all.append(row);
        if (listed.contains(row.number))
            out.duplicateLines << QString::number(n.line);
        else
            out.fresh.append(row);
    }
    std::stable_sort(out.refused.begin(), out.refused.end(),
                     [](const CsvRefusal &a, const CsvRefusal &b) { return a.line < b.line; });
    return out;
}

QString summaryOf(const NumbersCsv &csv, const Sorted &sorted, const QString &fileName)
{
    const QList<CsvRefusal> &refused = sorted.refused;
    QString summary = Text::tr("%1 read from \"%2\", %3 can be imported.")
                          .arg(count(csv.rowsRead, "row", "rows"), fileName)
                          .arg(sorted.all.size());
    if (!refused.isEmpty()) {
        summary += Text::tr("\n%1 refused:").arg(count(refused.size(), "row", "rows"));
        for (qsizetype i = 0; i < refused.size() && i < kRefusalsListed; ++i)
            summary += Text::tr("\nline %1: %2").arg(refused[i].line).arg(refused[i].why);
        if (refused.size() > kRefusalsListed)
            summary += Text::tr("\nand %1 more.").arg(refused.size() - kRefusalsListed);
    }
    const QStringList &duplicates = sorted.duplicateLines;
    if (!duplicates.isEmpty())
        summary += Text::tr("\n%1 already in the list (%2 %3): adding leaves them out.")
                       .arg(count(duplicates.size(), "number is", "numbers are"),
                            QLatin1String(duplicates.size() == 1 ? "line" : "lines"), duplicates.join(QStringLiteral(", ")));
    return summary;
}

} // namespace

int numberRoom(settings::SettingsSet set, const QString &unitModel)
{
    const auto listed = set.numbers.size();
    set.numbers.clear();        // one command each: not built again for every key typed
    set.uploadTelephone = true; // the list's room, whether or not this upload sends it
    return int(kMaxUploadCommands - upload_commands(set, unitModel).size() - listed);
}

void importNumbers(settings::SettingsEditors &editors, const QString &unitModel, platform::Dialogs &dialogs)
{
    const QString name = dialogs.openFileName(Text::tr("Import Numbers"), csvFilter());
    if (name.isEmpty())
        return;
    QByteArray bytes;
    QString error;
    if (!platform::readFile(name, &bytes, &error, kMaxSettingsFileBytes)) {
        dialogs.message(Text::tr("No numbers were imported; the list is unchanged. %1").arg(error),
                        platform::Dialogs::Icon::Stop);
        return;
    }
    const NumbersCsv csv = read_numbers_csv(bytes, unitModel);
    if (!csv.error.isEmpty()) {
        dialogs.message(Text::tr("No numbers were imported from \"%1\": %2. The list is unchanged.")
                            .arg(QFileInfo(name).fileName(), csv.error),
                        platform::Dialogs::Icon::Stop);
        return;
    }

    settings::SettingsSet set = editors.store();
    const Sorted sorted = sortRows(csv, set.numbers);
    const QList<settings::NumberRow> &all = sorted.all;
    const QString summary = summaryOf(csv, sorted, QFileInfo(name).fileName());
    if (all.isEmpty()) {
        dialogs.message(summary + Text::tr("\nNothing was imported; the list is unchanged."),
                        platform::Dialogs::Icon::Information);
        return;
    }
    settings::SettingsSet replaced = set;
    replaced.numbers = all;
    if (const int over = -numberRoom(replaced, unitModel); over > 0) {
        dialogs.message(summary + QLatin1Char('\n') + tooLongText(over), platform::Dialogs::Icon::Stop);
        return;
    }
    const int answer = dialogs.choose(summary,
                                      Text::tr("Replace the list with these numbers, add them after the "
                                               "numbers shown, or cancel: nothing is changed."),
                                      {Text::tr("Replace the list"), Text::tr("Add to the list"),
                                       Text::tr("Cancel")});
    if (answer == 0) {
        set.numbers = all;
    } else if (answer == 1) {
        set.numbers += sorted.fresh;
        if (const int over = -numberRoom(set, unitModel); over > 0) {
            dialogs.message(tooLongText(over), platform::Dialogs::Icon::Stop);
            return;
        }
    } else {
        return;
    }
    if (unitModel != settings::kIntercom) // running numbers, as Add writes them
        settings::number_in_order(set.numbers);
    editors.setNumbers(set.numbers, Text::tr("Import CSV"));
}

void exportNumbers(const settings::SettingsEditors &editors, const QString &unitModel, platform::Dialogs &dialogs)
{
    const QByteArray csv = numbers_csv(editors.store().numbers, unitModel);
    const QString name = platform::completeSaveName(
        dialogs, dialogs.saveFileName(Text::tr("Export Numbers"), csvFilter()), QStringLiteral("csv"));
    if (name.isEmpty())
        return;
    QString error;
    if (!platform::writeFileAtomically(name, csv, &error))
        dialogs.message(Text::tr("The numbers were not exported; any earlier file of that name is unchanged. %1")
                            .arg(error),
                        platform::Dialogs::Icon::Stop);
}

} // namespace mainwindow

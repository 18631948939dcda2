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

namespace transfer {

namespace {

QString csvFilter() { return QCoreApplication::translate("mainwindow", "CSV Files (*.csv)|*.csv|All Files (*.*)|*"); }
// Enough refused lines to see the pattern; the rest are counted.
constexpr int kRefusalsListed = 15;

QString count(qsizetype n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QCoreApplication::translate("mainwindow", n == 1 ? one : many));
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

} // namespace

int number_room(settings::SettingsSet set, const QString &unitModel)
{
    const auto listed = set.numbers.size();
    set.numbers.clear();        // one command each: not built again for every key typed
    set.uploadTelephone = true; // the list's room, whether or not this upload sends it
    return int(kMaxUploadCommands - upload_commands(set, unitModel).size() - listed);
}

void cmdImportCsv_Click(settings::SettingsEditors &editors, const QString &unitModel, platform::Dialogs &dialogs)
{
    const QString name = dialogs.openFileName(QCoreApplication::translate("mainwindow", "Import Numbers"), csvFilter());
    if (name.isEmpty())
        return;
    QByteArray bytes;
    QString error;
    if (!platform::readFile(name, &bytes, &error, kMaxSettingsFileBytes)) {
        dialogs.message(QCoreApplication::translate("mainwindow", "No numbers were imported; the list is unchanged. %1").arg(error),
                        platform::Dialogs::Icon::Stop);
        return;
    }
    const NumbersCsv csv = read_numbers_csv(bytes, unitModel);
    if (!csv.error.isEmpty()) {
        dialogs.message(QCoreApplication::translate("mainwindow", "No numbers were imported from \"%1\": %2. The list is unchanged.")
                            .arg(QFileInfo(name).fileName(), csv.error),
                        platform::Dialogs::Icon::Stop);
        return;
    }

    settings::SettingsSet set = editors.store();
    QSet<QString> listed;
    for (const settings::NumberRow &row : std::as_const(set.numbers))
        listed.insert(row.number);
    // Every number passes the one check the list holds, whatever the reader made of it.
    QList<CsvRefusal> refused = csv.refused;
    QList<settings::NumberRow> fresh, all;
    QStringList duplicateLines;
    QSet<QString> read;
    for (const CsvNumber &n : csv.numbers) {
        const settings::NumberCheck check = settings::check_number(n.row.number);
        QString why = check.ok() ? settings::text_problem(n.row.unit, settings::kRefusedInText) : check.problem;
        if (why.isEmpty() && read.contains(check.stored))
            why = QCoreApplication::translate("mainwindow", "%1 was already read").arg(check.stored);
        if (!why.isEmpty()) {
            refused.append({n.line, why});
            continue;
        }
        read.insert(check.stored);
        settings::NumberRow row = n.row;
        row.number = check.stored;
        all.append(row);
        if (listed.contains(row.number))
            duplicateLines << QString::number(n.line);
        else
            fresh.append(row);
    }
    std::stable_sort(refused.begin(), refused.end(),
                     [](const CsvRefusal &a, const CsvRefusal &b) { return a.line < b.line; });

    QString summary = QCoreApplication::translate("mainwindow", "%1 read from \"%2\", %3 can be imported.")
                          .arg(count(csv.rowsRead, QT_TRANSLATE_NOOP("mainwindow", "row"), QT_TRANSLATE_NOOP("mainwindow", "rows")), QFileInfo(name).fileName())
                          .arg(all.size());
    if (!refused.isEmpty()) {
        summary += QCoreApplication::translate("mainwindow", "\n%1 refused:").arg(count(refused.size(), QT_TRANSLATE_NOOP("mainwindow", "row"), QT_TRANSLATE_NOOP("mainwindow", "rows")));
        for (qsizetype i = 0; i < refused.size() && i < kRefusalsListed; ++i)
            summary += QCoreApplication::translate("mainwindow", "\nline %1: %2").arg(refused[i].line).arg(refused[i].why);
        if (refused.size() > kRefusalsListed)
            summary += QCoreApplication::translate("mainwindow", "\nand %1 more.").arg(refused.size() - kRefusalsListed);
    }
    if (!duplicateLines.isEmpty())
        summary += QCoreApplication::translate("mainwindow", "\n%1 already in the list (%2 %3): adding leaves them out.")
                       .arg(count(duplicateLines.size(), QT_TRANSLATE_NOOP("mainwindow", "number is"),
                                  QT_TRANSLATE_NOOP("mainwindow", "numbers are")),
                            QLatin1String(duplicateLines.size() == 1 ? "line" : "lines"),
                            duplicateLines.join(QStringLiteral(", ")));
    if (all.isEmpty()) {
        dialogs.message(summary + QCoreApplication::translate("mainwindow", "\nNothing was imported; the list is unchanged."),
                        platform::Dialogs::Icon::Information);
        return;
    }
    settings::SettingsSet replaced = set;
    replaced.numbers = all;
    if (const int over = -number_room(replaced, unitModel); over > 0) {
        dialogs.message(summary + QLatin1Char('\n') + tooLongText(over), platform::Dialogs::Icon::Stop);
        return;
    }
    const int answer = dialogs.choose(summary,
                                      QCoreApplication::translate("mainwindow", "Replace the list with these numbers, add them after the "
                                                                                "numbers shown, or cancel: nothing is changed."),
                                      {QCoreApplication::translate("mainwindow", "Replace the list"), QCoreApplication::translate("mainwindow", "Add to the list"),
                                       QCoreApplication::translate("mainwindow", "Cancel")});
    if (answer == 0) {
        set.numbers = all;
    } else if (answer == 1) {
        set.numbers += fresh;
        if (const int over = -number_room(set, unitModel); over > 0) {
            dialogs.message(tooLongText(over), platform::Dialogs::Icon::Stop);
            return;
        }
    } else {
        return;
    }
    if (unitModel != settings::kIntercom) // running numbers, as Add writes them
        settings::number_in_order(set.numbers);
    editors.setNumbers(set.numbers, QCoreApplication::translate("mainwindow", "Import CSV"));
}

void cmdExportCsv_Click(const settings::SettingsEditors &editors, const QString &unitModel, platform::Dialogs &dialogs)
{
    const QByteArray csv = numbers_csv(editors.store().numbers, unitModel);
    const QString name = platform::completeSaveName(
        dialogs, dialogs.saveFileName(QCoreApplication::translate("mainwindow", "Export Numbers"), csvFilter()), QStringLiteral("csv"));
    if (name.isEmpty())
        return;
    QString error;
    if (!platform::writeFileAtomically(name, csv, &error))
        dialogs.message(QCoreApplication::translate("mainwindow", "The numbers were not exported; any earlier file of that name is unchanged. %1")
                            .arg(error),
                        platform::Dialogs::Icon::Stop);
}

} // namespace transfer

#include "mainwindow/numberimport.h"

#include "platform/dialogs.h"
#include "platform/savename.h"
#include "platform/textfile.h"
#include "settings/numberform.h"
#include "settings/settingseditors.h"
#include "settings/unitmodel.h"
#include "settings/valuecheck.h"
#include "transfer/importpreview.h"
#include "transfer/numbercsv.h"
#include "transfer/settingsfile.h"
#include "transfer/upload.h"

#include <QCoreApplication>
#include <QFileInfo>

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
    return QStringLiteral("%1 %2").arg(n).arg(QCoreApplication::translate("mainwindow", n == 1 ? one : many));
}

QString tooLongText(qsizetype over)
{
    const int n = int(over);
    return QCoreApplication::translate("mainwindow::NumberImport",
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

int numberRoom(settings::SettingsSet set, const QString &unitModel)
{
    const auto listed = set.numbers.size();
    set.numbers.clear();        // one command each: not built again for every key typed
    set.uploadTelephone = true; // the list's room, whether or not this upload sends it
    return int(kMaxUploadCommands - upload_commands(set, unitModel).size() - listed);
}

namespace {

QString tr(const char *text) { return Text::tr(text); }

// The preview as one message, where no table can be shown.
QString previewText(const ImportPreview &p, const QString &fileName, const QString &unitModel)
{
    using O = ImportRow::Outcome;
    QString text = tr("%1 read from \"%2\": %3 new, %4 merged with listed numbers, %5 probably damaged, %6 refused.")
                       .arg(count(p.rowsRead, "row", "rows"), fileName)
                       .arg(p.count(O::Accepted))
                       .arg(p.count(O::Merged))
                       .arg(p.count(O::Damaged))
                       .arg(p.count(O::Refused));
    text += QLatin1Char('\n') + columns_text(p, unitModel);
    int listed = 0;
    for (const ImportRow &r : p.rows) {
        if (r.outcome != O::Damaged && r.outcome != O::Refused)
            continue;
        if (++listed > kRefusalsListed) {
            text += tr("\nand more.");
            break;
        }
        text += r.outcome == O::Damaged ? tr("\nline %1: \"%2\" %3 Taken as %4.").arg(r.line).arg(r.inFile, r.why, r.row.number)
                                        : tr("\nline %1: refused: %2").arg(r.line).arg(r.why);
    }
    return text;
}

ImportChoice askByDialogs(platform::Dialogs &dialogs, const ImportPreview &p, const QString &fileName,
                          const QString &unitModel)
{
    const int answer = dialogs.choose(previewText(p, fileName, unitModel),
                                      tr("Apply all rows (damaged ones as their likely originals), only the accepted "
                                         "ones, or cancel: nothing is changed."),
                                      {tr("Apply all"), tr("Apply accepted only"), tr("Cancel")});
    return answer == 0 ? ImportChoice::ApplyAll : answer == 1 ? ImportChoice::ApplyAcceptedOnly
                                                              : ImportChoice::Cancel;
}

} // namespace

void importNumbers(settings::SettingsEditors &editors, const QString &unitModel, platform::Dialogs &dialogs,
                   const ImportPreviewer &previewer)
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
    const QString fileName = QFileInfo(name).fileName();
    const settings::SettingsSet set = editors.store();
    const ImportPreview preview = preview_import(bytes, set.numbers, unitModel);
    if (!preview.error.isEmpty()) {
        dialogs.message(Text::tr("No numbers were imported from \"%1\": %2. The list is unchanged.")
                            .arg(fileName, preview.error),
                        platform::Dialogs::Icon::Stop);
        return;
    }
    if (preview.count(ImportRow::Outcome::Refused) == preview.rows.size()) {
        dialogs.message(previewText(preview, fileName, unitModel) + tr("\nNothing was imported; the list is unchanged."),
                        platform::Dialogs::Icon::Information);
        return;
    }
    // Too long even without the damaged rows: nothing to choose.
    settings::SettingsSet least = set;
    least.numbers = imported_list(preview, set.numbers, false, unitModel);
    if (const int over = -numberRoom(least, unitModel); over > 0) {
        dialogs.message(previewText(preview, fileName, unitModel) + QLatin1Char('\n') + tooLongText(over),
                        platform::Dialogs::Icon::Stop);
        return;
    }
    const ImportChoice choice = previewer ? previewer(preview, fileName) : askByDialogs(dialogs, preview, fileName, unitModel);
    if (choice == ImportChoice::Cancel)
        return;
    settings::SettingsSet after = set;
    after.numbers = imported_list(preview, set.numbers, choice == ImportChoice::ApplyAll, unitModel);
    if (const int over = -numberRoom(after, unitModel); over > 0) {
        dialogs.message(tooLongText(over), platform::Dialogs::Icon::Stop);
        return;
    }
    if (after.numbers != set.numbers)
        editors.setNumbers(after.numbers, Text::tr("Import CSV"));
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

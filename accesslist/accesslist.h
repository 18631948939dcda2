#pragma once
// The access list as a signed paper: who can open the gate (or call which unit), page by page
// with a header naming the unit, for a printer or a PDF file. No widgets: the window's print
// commands and the command line share it.
#include "settings/settingsset.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <memory>
#include <optional>

class QPagedPaintDevice;
class QTextDocument;

namespace accesslist {

struct AccessList {
    settings::SettingsSet settings; // the password is never printed
    QString unitModel;              // "gate" or "intercom"
    QString source;                 // the site's name or the settings file's; empty while in no file
    QDate date;
    QHash<QString, QString> labels; // stored number -> who it is; empty when none are known
    // The settings as last printed: adds a first page of the numbers added and removed since.
    std::optional<settings::SettingsSet> lastPrinted;
};

struct PrintOutcome {
    enum class Kind {
        Done,
        CannotWrite,   // the PDF file could not be written; an old one is left as it was
        PrinterFailed, // the printer (or the device painted on) would not start or take a page
    };
    Kind kind = Kind::Done;
    int pages = 0;
    int numbers = 0;
    QString target; // the PDF's path or the printer's name
    QString detail; // the system's reason, when there is one
};

// The pages' content, without the headers, laid out for `device` (may be null).
std::unique_ptr<QTextDocument> access_list_document(const AccessList &list, QPagedPaintDevice *device = nullptr);

// Paints every page with its header ("Page N of M") onto `device`, a printer or a PDF writer.
PrintOutcome paint_access_list(QPagedPaintDevice &device, const AccessList &list);

// Writes the list as an A4 PDF to `path`, whole or not at all.
PrintOutcome write_access_list_pdf(const QString &path, const AccessList &list);

// What the operator is told.
QString outcome_text(const PrintOutcome &outcome);

} // namespace accesslist

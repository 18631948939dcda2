#include "mainwindow/printactions.h"

#include "platform/dialogs.h"
#include "platform/savename.h"
#include "settings/settingseditors.h"

#include <QAction>
#include <QDate>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QWidget>

namespace mainwindow {

namespace {

QAction *namedAction(QObject *parent, const QString &name, const QString &text, const QKeySequence &keys = {})
{
    auto *action = new QAction(text, parent);
    action->setObjectName(name);
    action->setShortcut(keys);
    return action;
}

} // namespace

PrintActions::PrintActions(QWidget &window, const settings::SettingsEditors &editors, const QString &unitModel,
                           platform::Dialogs &dialogs, std::function<QString()> source,
                           std::function<void()> commitEdit)
    : QObject(&window), window_(window), editors_(editors), unitModel_(unitModel), dialogs_(dialogs),
      source_(std::move(source)), commitEdit_(std::move(commitEdit))
{
    auto *print = namedAction(this, QStringLiteral("actPrint"), tr("&Print..."), QKeySequence::Print);
    auto *preview = namedAction(this, QStringLiteral("actPrintPreview"), tr("Print Pre&view..."));
    auto *pdf = namedAction(this, QStringLiteral("actExportPdf"), tr("Export P&DF..."));
    connect(print, &QAction::triggered, this, &PrintActions::print);
    connect(preview, &QAction::triggered, this, &PrintActions::preview);
    connect(pdf, &QAction::triggered, this, &PrintActions::exportPdf);
    actions_ = {print, preview, pdf};
}

accesslist::AccessList PrintActions::current() const
{
    if (commitEdit_)
        commitEdit_();
    accesslist::AccessList list;
    list.settings = editors_.store();
    list.unitModel = unitModel_;
    list.source = source_ ? source_() : QString();
    list.date = QDate::currentDate();
    return list;
}

void PrintActions::paintOn(QPrinter &printer)
{
    accesslist::PrintOutcome outcome = accesslist::paint_access_list(printer, current());
    if (outcome.kind != accesslist::PrintOutcome::Kind::Done) {
        outcome.target = printer.printerName();
        dialogs_.message(accesslist::outcome_text(outcome), platform::Dialogs::Icon::Stop);
    }
}

void PrintActions::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(tr("Access list"));
    QPrintDialog dialog(&printer, &window_);
    dialog.setObjectName(QStringLiteral("frmPrint"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    paintOn(printer);
}

void PrintActions::preview()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(tr("Access list"));
    QPrintPreviewDialog dialog(&printer, &window_);
    dialog.setObjectName(QStringLiteral("frmPrintPreview"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *p) { paintOn(*p); });
    dialog.exec();
}

void PrintActions::exportPdf()
{
    const accesslist::AccessList list = current();
    const QString suggested = list.source.isEmpty() ? QStringLiteral("access-list.pdf")
                                                    : QFileInfo(list.source).completeBaseName() + QStringLiteral(".pdf");
    const QString name = platform::completeSaveName(
        dialogs_, dialogs_.saveFileNameFrom(tr("Export PDF"), tr("PDF Files (*.pdf)|*.pdf|All Files (*.*)|*"), suggested),
        QStringLiteral("pdf"));
    if (name.isEmpty())
        return;
    const accesslist::PrintOutcome outcome = accesslist::write_access_list_pdf(name, list);
    dialogs_.message(accesslist::outcome_text(outcome),
                     outcome.kind == accesslist::PrintOutcome::Kind::Done ? platform::Dialogs::Icon::Information
                                                                          : platform::Dialogs::Icon::Stop);
}

} // namespace mainwindow

#include "accesslist/accesslist.h"

#include "settings/numberform.h"
#include "settings/unitmodel.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSet>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace accesslist {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("accesslist::AccessList", text); }
QString esc(const QString &text) { return text.toHtmlEscaped(); }
bool isGate(const AccessList &list) { return list.unitModel != settings::kIntercom; }

QString onOff(bool on) { return on ? tr("on") : tr("off"); }

QString settingsSection(const AccessList &list)
{
    const settings::SettingsSet &s = list.settings;
    QString html = QStringLiteral("<h3>%1</h3><table cellspacing=0 cellpadding=2>").arg(tr("System settings"));
    const auto row = [&html](const QString &name, const QString &value) {
        html += QStringLiteral("<tr><td width=180>%1</td><td>%2</td></tr>").arg(esc(name), esc(value));
    };
    row(tr("System name"), s.systemName);
    row(tr("Model"), list.unitModel);
    row(tr("Master number"), s.masterNumber.isEmpty() ? tr("none") : s.masterNumber);
    for (int k = 0; k < 4; ++k)
        row(tr("Input %1 name").arg(k + 1), s.inputNames[k]);
    if (s.systemOptionsKnown) {
        row(tr("Error reporting"), onOff(s.errorReporting));
        row(tr("Output confirmation"), onOff(s.outputConfirmation));
        QStringList monitored;
        for (int k = 0; k < 4; ++k)
            if (s.monitorInputs[k])
                monitored << QString::number(k + 1);
        row(tr("Monitored inputs"), monitored.isEmpty() ? tr("none") : monitored.join(QStringLiteral(", ")));
    } else {
        row(tr("System options"), tr("not known: these settings came from the unit's own report"));
    }
    return html + QStringLiteral("</table>");
}

QString rightsOf(const AccessList &list, const settings::NumberRow &row)
{
    if (!isGate(list))
        return row.unit;
    const QString digits = settings::output_digits(row.outputs);
    return digits.isEmpty() ? tr("none") : QStringList(digits.split(QString(), Qt::SkipEmptyParts)).join(QStringLiteral(", "));
}

QString numbersSection(const AccessList &list)
{
    const QList<settings::NumberRow> &rows = list.settings.numbers;
    QString html = QStringLiteral("<h3>%1</h3>").arg(tr("Numbers (%1)").arg(rows.size()));
    if (rows.isEmpty())
        return html + QStringLiteral("<p>%1</p>").arg(tr("The list holds no numbers."));
    html.reserve(html.size() + rows.size() * 160);
    html += QStringLiteral("<table border=1 cellspacing=0 cellpadding=3 width=100%><thead><tr><th>%1</th><th>%2</th>"
                           "<th>%3</th><th>%4</th></tr></thead>")
                .arg(tr("No."), tr("Number"), tr("Label"), isGate(list) ? tr("Outputs") : tr("Unit"));
    for (qsizetype i = 0; i < rows.size(); ++i)
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>")
                    .arg(i + 1)
                    .arg(esc(rows[i].number), esc(list.labels.value(rows[i].number)), esc(rightsOf(list, rows[i])));
    return html + QStringLiteral("</table>");
}

// Numbers added and removed since the list was last printed, each with its label.
QString changesSection(const AccessList &list, const settings::SettingsSet &before)
{
    QSet<QString> old, now;
    for (const settings::NumberRow &r : before.numbers)
        old.insert(r.number);
    for (const settings::NumberRow &r : list.settings.numbers)
        now.insert(r.number);
    const auto lines = [&list](const QList<settings::NumberRow> &rows, const QSet<QString> &other) {
        QString html;
        for (const settings::NumberRow &r : rows)
            if (!other.contains(r.number))
                html += QStringLiteral("<li>%1 %2</li>").arg(esc(r.number), esc(list.labels.value(r.number)));
        return html.isEmpty() ? QStringLiteral("<p>%1</p>").arg(tr("none")) : QStringLiteral("<ul>%1</ul>").arg(html);
    };
    return QStringLiteral("<h3>%1</h3><p><b>%2</b></p>%3<p><b>%4</b></p>%5<p style=\"page-break-after: always\"></p>")
        .arg(tr("Changes since the list was last printed"), tr("Added"), lines(list.settings.numbers, old), tr("Removed"),
             lines(before.numbers, now));
}

// The lines to sign, as the last block (see keepLastBlockTogether).
void appendSignature(QTextDocument &doc)
{
    QTextCursor cursor(&doc);
    cursor.movePosition(QTextCursor::End);
    QTextBlockFormat format;
    format.setTopMargin(24);
    cursor.insertBlock(format);
    const QString line = QStringLiteral("______________________________");
    cursor.insertText(QStringLiteral("%1 %2     %3 %4").arg(tr("Signature:"), line, tr("Date:"), line.left(16))
                      + QChar(QChar::LineSeparator) + QChar(QChar::LineSeparator)
                      + QStringLiteral("%1 %2").arg(tr("Name:"), line));
}

// A last block that a page break cuts in two starts on the next page instead.
void keepLastBlockTogether(QTextDocument &doc, qreal pageHeight)
{
    const QTextBlock last = doc.lastBlock();
    const QRectF r = doc.documentLayout()->blockBoundingRect(last);
    if (int(r.top() / pageHeight) == int((r.bottom() - 1) / pageHeight))
        return;
    QTextCursor cursor(last);
    QTextBlockFormat format = last.blockFormat();
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    cursor.setBlockFormat(format);
}

QString headerText(const AccessList &list)
{
    return QStringLiteral("%1 \u00b7 %2 \u00b7 %3 \u00b7 %4")
        .arg(list.settings.systemName, list.unitModel, list.source.isEmpty() ? tr("not saved to a file") : list.source,
             list.date.toString(Qt::ISODate));
}

} // namespace

std::unique_ptr<QTextDocument> access_list_document(const AccessList &list, QPagedPaintDevice *device)
{
    auto doc = std::make_unique<QTextDocument>();
    if (device)
        doc->documentLayout()->setPaintDevice(device);
    QFont font = doc->defaultFont();
    font.setPointSizeF(10);
    // No ligatures: a search of the PDF for "confirmation" finds it.
    font.setStyleStrategy(QFont::PreferNoShaping);
    doc->setDefaultFont(font);
    QString html = QStringLiteral("<html><body>");
    if (list.lastPrinted)
        html += changesSection(list, *list.lastPrinted);
    html += QStringLiteral("<h2>%1</h2>").arg(tr("Access list"));
    html += settingsSection(list) + numbersSection(list);
    doc->setHtml(html + QStringLiteral("</body></html>"));
    appendSignature(*doc);
    return doc;
}

PrintOutcome paint_access_list(QPagedPaintDevice &device, const AccessList &list)
{
    PrintOutcome out;
    out.numbers = int(list.settings.numbers.size());
    QPainter painter;
    if (!painter.begin(&device)) {
        out.kind = PrintOutcome::Kind::PrinterFailed;
        return out;
    }
    const std::unique_ptr<QTextDocument> doc = access_list_document(list, &device);
    QFont headerFont = doc->defaultFont();
    headerFont.setPointSizeF(8);
    const QFontMetricsF metrics(headerFont, &device);
    const qreal headerHeight = metrics.lineSpacing() * 2.5;
    const qreal width = device.width();
    const qreal bodyHeight = device.height() - headerHeight;
    doc->setPageSize(QSizeF(width, bodyHeight));
    keepLastBlockTogether(*doc, bodyHeight);
    const int pages = doc->pageCount();
    const QString header = headerText(list);
    for (int p = 0; p < pages; ++p) {
        if (p > 0 && !device.newPage()) {
            out.kind = PrintOutcome::Kind::PrinterFailed;
            painter.end();
            return out;
        }
        painter.setFont(headerFont);
        const QRectF line(0, 0, width, metrics.lineSpacing());
        painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, metrics.elidedText(header, Qt::ElideRight, width * 0.75));
        painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, tr("Page %1 of %2").arg(p + 1).arg(pages));
        painter.drawLine(QPointF(0, metrics.lineSpacing() * 1.4), QPointF(width, metrics.lineSpacing() * 1.4));
        painter.save();
        painter.translate(0, headerHeight - p * bodyHeight);
        doc->drawContents(&painter, QRectF(0, p * bodyHeight, width, bodyHeight));
        painter.restore();
    }
    out.pages = pages;
    if (!painter.end())
        out.kind = PrintOutcome::Kind::PrinterFailed;
    return out;
}

PrintOutcome write_access_list_pdf(const QString &path, const AccessList &list)
{
    PrintOutcome out;
    out.target = path;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        out.kind = PrintOutcome::Kind::CannotWrite;
        out.detail = file.errorString();
        return out;
    }
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle(tr("Access list: %1").arg(list.settings.systemName));
        writer.setCreator(QStringLiteral("NorvikConf"));
        const PrintOutcome painted = paint_access_list(writer, list);
        out.pages = painted.pages;
        out.numbers = painted.numbers;
        if (painted.kind != PrintOutcome::Kind::Done)
            out.kind = PrintOutcome::Kind::CannotWrite;
    }
    // A full disk shows only in the flush (QSaveFile would still commit a cut file).
    if (out.kind == PrintOutcome::Kind::Done && (!file.flush() || file.error() != QFileDevice::NoError || !file.commit())) {
        out.kind = PrintOutcome::Kind::CannotWrite;
        out.detail = file.errorString();
    }
    if (out.kind != PrintOutcome::Kind::Done)
        file.cancelWriting();
    return out;
}

QString outcome_text(const PrintOutcome &o)
{
    switch (o.kind) {
    case PrintOutcome::Kind::Done: {
        const QString where = o.target.isEmpty() ? tr("The access list was printed") : tr("The access list was written to \"%1\"").arg(o.target);
        const QString what = o.numbers == 0 ? tr("the list holds no numbers, so only the settings and the signature line are on it")
                                            : tr("%1 numbers").arg(o.numbers);
        const QString pages = o.pages == 1 ? tr("1 page") : tr("%1 pages").arg(o.pages);
        return tr("%1: %2, %3.").arg(where, pages, what);
    }
    case PrintOutcome::Kind::CannotWrite:
        return tr("The access list could not be written to \"%1\"%2; any earlier file of that name is unchanged.")
            .arg(o.target, o.detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(o.detail));
    case PrintOutcome::Kind::PrinterFailed:
        return tr("The printer%1 would not take the access list; nothing was printed. Check that it is connected and "
                  "ready, or export a PDF instead.")
            .arg(o.target.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(o.target));
    }
    return QString();
}

} // namespace accesslist

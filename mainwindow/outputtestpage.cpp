#include "mainwindow/outputtestpage.h"

#include "platform/namedcontrols.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace mainwindow {

void setBackground(QWidget *widget, int r, int g, int b)
{
    const bool button = qobject_cast<QPushButton *>(widget);
    const char *kind = button ? "QPushButton" : "QLabel";
    QString sheet = QStringLiteral("%1 { background-color: rgb(%2, %3, %4); color: black; }")
                        .arg(QLatin1String(kind))
                        .arg(r)
                        .arg(g)
                        .arg(b);
    // A style sheet colour hides Qt's own disabled look: a locked button keeps its colour,
    // faded, and greys its caption.
    if (button)
        sheet += QStringLiteral(" QPushButton:disabled { background-color: rgb(%1, %2, %3); color: rgb(110, 110, 110); }")
                     .arg((r + 2 * 200) / 3)
                     .arg((g + 2 * 200) / 3)
                     .arg((b + 2 * 200) / 3);
    widget->setStyleSheet(sheet);
}

OutputTestPage::OutputTestPage(QWidget *parent) : QGroupBox(tr("Output Testing "), parent)
{
    setObjectName(QStringLiteral("frame_3"));
    setAccessibleName(title());
    auto *grid = new QGridLayout(this);
    for (int i = 0; i < 4; ++i) {
        const int output = i + 1;
        auto *label = new QLabel(tr("OUTPUT%1").arg(output), this);
        label->setObjectName(QStringLiteral("lblOutput%1").arg(output));
        label->setAccessibleName(label->text());
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumSize(110, 32);
        setBackground(label, 192, 192, 192);

        QPushButton *on = platform::namedButton(QStringLiteral("cmdStart%1").arg(output), tr("ON"), this);
        on->setAccessibleDescription(tr("Switch output %1 on").arg(output));
        setBackground(on, 0, 255, 0);

        QPushButton *off = platform::namedButton(QStringLiteral("cmdStop%1").arg(output), tr("OFF"), this);
        off->setAccessibleDescription(tr("Switch output %1 off").arg(output));
        setBackground(off, 255, 0, 0);

        grid->addWidget(label, 0, i);
        grid->addWidget(on, 1, i);
        grid->addWidget(off, 2, i);
        label_[i] = label;
        start_[i] = on;
        stop_[i] = off;
        connect(on, &QPushButton::clicked, this, [this, output] { emit pressed(output, true); });
        connect(off, &QPushButton::clicked, this, [this, output] { emit pressed(output, false); });
    }
    grid->setRowStretch(3, 1);
}

void OutputTestPage::setOutputColour(int output, quint32 colourBgr)
{
    if (output < 1 || output > 4)
        return;
    setBackground(label_[output - 1], int(colourBgr & 0xFF), int((colourBgr >> 8) & 0xFF),
                  int((colourBgr >> 16) & 0xFF));
    label_[output - 1]->setProperty("colourBgr", colourBgr);
}

void OutputTestPage::setButtonsEnabled(bool enabled)
{
    for (int i = 0; i < 4; ++i)
        start_[i]->setEnabled(enabled);
    for (int i = 0; i < 4; ++i)
        stop_[i]->setEnabled(enabled);
}

} // namespace mainwindow

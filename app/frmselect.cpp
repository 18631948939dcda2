#include "app/frmselect.h"

#include "mainwindow/frmmain.h"
#include "platform/dialogs.h"
#include "platform/namedcontrols.h"
#include "platform/portlist.h"
#include "settings/unitmodel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef NORVIKCONF_VERSION
#define NORVIKCONF_VERSION "0.0.0"
#endif

namespace app {

namespace {

// A small drawing of the unit: a box with an antenna and four output lamps.
QPixmap unitPicture()
{
    QPixmap pix(96, 96);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::darkGray, 3));
    p.drawLine(70, 30, 78, 6);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(QColor(70, 90, 120));
    p.drawRoundedRect(12, 30, 72, 56, 8, 8);
    const QColor lamps[] = {Qt::green, Qt::red, Qt::green, Qt::red};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(lamps[i]);
        p.drawEllipse(QPointF(26 + i * 15, 72), 5, 5);
    }
    p.setBrush(QColor(200, 220, 200));
    p.drawRect(22, 38, 52, 18);
    return pix;
}

} // namespace

QString FrmSelect::versionText() { return QStringLiteral(NORVIKCONF_VERSION); }

FrmSelect::FrmSelect(const platform::PortCatalogue &catalogue, platform::Dialogs &dialogs, MainFactory createMain,
                     QWidget *parent)
    : QWidget(parent), dialogs_(dialogs), createMain_(std::move(createMain))
{
    setObjectName(QStringLiteral("frmSelect"));
    setWindowTitle(tr("%1 :: Select model").arg(QString::fromLatin1(platform::kProgramTitle)));

    auto *label1 = platform::namedLabel(QStringLiteral("Label1"), tr("Please select your GSM model and COMM port"), nullptr, this);
    QGroupBox *frame1 = platform::namedFrame(QStringLiteral("Frame1"), QString::fromLatin1(platform::kProgramTitle), this);
    gateButton_ = platform::namedButton(QStringLiteral("Command1"), tr("GSM GATE"), frame1);
    intercomButton_ = platform::namedButton(QStringLiteral("Command3"), tr("GSM INTERCOM"), frame1);
    auto *frameLayout = new QVBoxLayout(frame1);
    frameLayout->addWidget(gateButton_);
    frameLayout->addWidget(intercomButton_);

    auto *label2 = platform::namedLabel(QStringLiteral("Label2"), tr("COMM PORT"), nullptr, this);
    cmbcomm_ = new QComboBox(this);
    cmbcomm_->setObjectName(QStringLiteral("cmbcomm"));
    cmbcomm_->setAccessibleName(label2->text());
    cmbcomm_->setEditable(false);
    cmbcomm_->setMinimumWidth(80);
    label2->setBuddy(cmbcomm_);
    portInfo_ = platform::namedLabel(QStringLiteral("lblPortInfo"), QString(), nullptr, this);
    portInfo_->setWordWrap(true);
    portInfo_->setMinimumWidth(220);

    auto *picture = platform::namedLabel(QStringLiteral("Picture1"), QString(), nullptr, this);
    picture->setPixmap(unitPicture());
    picture->setAccessibleName(tr("Picture of the unit"));
    auto *lblVer = platform::namedLabel(QStringLiteral("lblVer"), versionText(), nullptr, this);
    lblVer->setAccessibleName(tr("Version %1").arg(versionText()));

    auto *portRow = new QHBoxLayout;
    portRow->addWidget(label2);
    portRow->addWidget(cmbcomm_);
    portRow->addWidget(portInfo_, 1);

    auto *grid = new QGridLayout(this);
    grid->addWidget(label1, 0, 0, 1, 2);
    grid->addWidget(picture, 1, 0);
    grid->addWidget(frame1, 1, 1);
    grid->addLayout(portRow, 2, 0, 1, 2);
    grid->addWidget(lblVer, 3, 1, Qt::AlignRight);

    connect(gateButton_, &QPushButton::clicked, this, &FrmSelect::gateClicked);
    connect(intercomButton_, &QPushButton::clicked, this, &FrmSelect::intercomClicked);
    // A device that exists but will not open (in use, no permission) is still offered:
    // opening it for real later says why it fails.
    portList_ = new platform::PortList(catalogue, cmbcomm_, portInfo_, this);
}

std::optional<platform::PortEntry> FrmSelect::chosenPort()
{
    // The number becomes a device here, once, from the list the operator looked at.
    const auto entry = portList_->chosen();
    if (!entry)
        dialogs_.message(tr("Please select a valid comm port"));
    return entry;
}

void FrmSelect::preselect(std::optional<int> port, const QString &model)
{
    if (port)
        portList_->choose(*port);
    if (model == settings::kGate)
        gateButton_->setFocus();
    else if (model == settings::kIntercom)
        intercomButton_->setFocus();
}

void FrmSelect::gateClicked()
{
    if (const auto entry = chosenPort())
        startMain(settings::kGate, *entry);
}

void FrmSelect::intercomClicked()
{
    if (const auto entry = chosenPort())
        startMain(settings::kIntercom, *entry);
}

void FrmSelect::startMain(const QString &model, const platform::PortEntry &port)
{
    const bool gate = model == settings::kGate;
    QVector<qint16> tabs = gate ? QVector<qint16>{0, 1, 3, 4} : QVector<qint16>{0, 1, 4};
    main_ = createMain_(mainwindow::Choice{model, std::move(tabs), port});
    if (gate) {
        main_->frminput()->hide();
        main_->frmRing()->show();
        main_->show();
        main_->start();
    } else {
        main_->show();
        main_->start();
        main_->frminput()->hide();
        main_->frmRing()->hide();
        main_->frmsys()->hide();
    }
    close();
    if (started_)
        started_(*main_);
}

} // namespace app

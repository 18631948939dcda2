#include "mainwindow/frmmain.h"

#include "link/outputtester.h"
#include "mainwindow/comparehook.h"
#include "mainwindow/document.h"
#include "mainwindow/download.h"
#include "mainwindow/importpreviewdialog.h"
#include "mainwindow/logbox.h"
#include "mainwindow/mainmenu.h"
#include "mainwindow/numberimport.h"
#include "mainwindow/outputtestpage.h"
#include "mainwindow/printactions.h"
#include "mainwindow/progressbar.h"
#include "mainwindow/sitesmenu.h"
#include "mainwindow/uploadbutton.h"
#include "platform/dialogs.h"
#include "platform/namedcontrols.h"
#include "platform/portlist.h"
#include "platform/serialport.h"
#include "platform/timer.h"
#include "settings/numberpage.h"
#include "settings/settingseditors.h"
#include "settings/systemparameterspage.h"
#include "transfer/dumpreader.h"
#include "transfer/uploadjob.h"
#include "transfer/uploadplan.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QVBoxLayout>

namespace mainwindow {

namespace {
const QString kSimulatedLine = QStringLiteral("Simulated unit: nothing is sent to a real unit");
} // namespace

FrmMain::FrmMain(const Platform &platform, const Choice &choice, QWidget *parent)
    : QWidget(parent), platform_(platform), choice_(choice)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(platform::kProgramTitle));

    frame0_ = new settings::SystemParametersPage(this);
    frame1_ = new settings::NumberManagementPage(this);
    frame1_->setUnitModel(choice_.unitModel);
    frame3_ = new OutputTestPage(this);
    frame4_ = platform::namedFrame(QStringLiteral("frame_4"), QStringLiteral("Log"), this);
    txtLog_ = new LogBox(frame4_);
    (new QVBoxLayout(frame4_))->addWidget(txtLog_);
    editors_ = std::make_unique<settings::SettingsEditors>(*frame0_, *frame1_);
    frame1_->setDialogs(platform_.dialogs);
    // The room left in the list follows one upload's command limit and the upload choices.
    editors_->setRoomFunction(
        [model = choice_.unitModel](const settings::SettingsSet &set) { return transfer::number_room(set, model); });

    tabStrip_ = new QTabBar(this);
    tabStrip_->setObjectName(QStringLiteral("TabStrip1"));
    tabStrip_->setAccessibleName(QStringLiteral("Pages"));
    tabStrip_->setExpanding(false);
    tabStrip_->setDrawBase(true);

    // The tab pages share one place beside page 0, which is always visible.
    auto *pageHost = new QWidget(this);
    auto *pageGrid = new QGridLayout(pageHost);
    pageGrid->setContentsMargins(0, 0, 0, 0);
    for (QWidget *p : {static_cast<QWidget *>(frame1_), static_cast<QWidget *>(frame3_),
                       static_cast<QWidget *>(frame4_)})
        pageGrid->addWidget(p, 0, 0);

    auto *right = new QVBoxLayout;
    right->setSpacing(0);
    right->addWidget(tabStrip_);
    right->addWidget(pageHost, 1);

    auto *pages = new QHBoxLayout;
    pages->addWidget(frame0_, 0);
    pages->addLayout(right, 1);

    cmdLoad_ = platform::namedButton(QStringLiteral("cmdLoad"), QStringLiteral("LOAD SETTINGS FROM FILE"), this);
    cmdSave_ = platform::namedButton(QStringLiteral("cmdSave"), QStringLiteral("SAVE SETTINGS TO FILE"), this);
    cmdDownload_ = platform::namedButton(QStringLiteral("cmdDownload"), QStringLiteral("READ SETTINGS FROM GSM UNIT"), this);
    cmdUpload_ = platform::namedButton(QStringLiteral("cmdUpload"), QStringLiteral("UPLOAD SETTINGS TO GSM UNIT"), this);
    cmdStop_ = platform::namedButton(QStringLiteral("cmdStop"), QStringLiteral("STOP"), this);
    cmdStop_->setShortcut(QKeySequence(Qt::Key_Escape));
    cmdStop_->setToolTip(QStringLiteral("Stop the transfer after the command in flight (Esc)"));
    cmdStop_->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {cmdLoad_, cmdSave_, cmdDownload_, cmdUpload_, cmdStop_})
        buttons->addWidget(b);

    pbar_ = new ProgressBar(this);

    // The port in use, and a way to open it again or another one without restarting.
    auto *cmbPort = new QComboBox(this);
    cmbPort->setObjectName(QStringLiteral("cmbPort"));
    cmbPort->setAccessibleName(QStringLiteral("COMM PORT"));
    cmbPort->setMinimumWidth(60);
    auto *lblPortCaption = platform::namedLabel(QStringLiteral("lblPortCaption"), QStringLiteral("COMM PORT"), cmbPort, this);
    auto *lblPortDevice = platform::namedLabel(QStringLiteral("lblPortDevice"), QString(), nullptr, this);
    lblPortDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    portList_ = new platform::PortList(*platform_.catalogue, cmbPort, lblPortDevice, this);
    auto *cmdOpenPort = platform::namedButton(QStringLiteral("cmdOpenPort"), QStringLiteral("OPEN PORT"), this);
    lblPortState_ = platform::namedLabel(QStringLiteral("lblPortState"), QString(), nullptr, this);
    auto *portRow = new QHBoxLayout;
    portRow->addWidget(lblPortCaption);
    portRow->addWidget(cmbPort);
    portRow->addWidget(lblPortDevice, 1);
    portRow->addWidget(lblPortState_);
    portRow->addWidget(cmdOpenPort);
    lblSimulated_ = platform::namedLabel(QStringLiteral("lblSimulated"), kSimulatedLine, nullptr, this);
    lblSimulated_->setStyleSheet(QStringLiteral("QLabel { background: #ffd84d; color: black; font-weight: bold; padding: 4px; }"));
    lblSimulated_->setAlignment(Qt::AlignCenter);
    lblSimulated_->hide();

    auto *outer = new QVBoxLayout(this);
    outer->addWidget(lblSimulated_);
    outer->addLayout(portRow);
    outer->addLayout(pages, 1);
    outer->addLayout(buttons);
    outer->addWidget(pbar_);

    connect(platform_.port, &platform::SerialPort::lost, this, &FrmMain::onPortLost);
    connect(platform_.catalogue, &platform::PortCatalogue::changed, this, &FrmMain::onCatalogueChanged);
    connect(cmdOpenPort, &QPushButton::clicked, this, &FrmMain::cmdOpenPort_Click);

    tmrCheckGSM_ = platform_.makeTimer();
    tmrCheckGSM_->setObjectName(QStringLiteral("tmrCheckGSM"));
    tmrOut_ = platform_.makeTimer();
    tmrOut_->setObjectName(QStringLiteral("tmrOut"));
    link_ = std::make_unique<unitlink::UnitLink>(*platform_.port);
    tmrReply_ = platform_.makeTimer();
    tmrReply_->setObjectName(QStringLiteral("tmrReply"));
    link_->setReplyTimer(tmrReply_.get());
    outputTester_ = std::make_unique<unitlink::OutputTester>(*link_, *tmrOut_, [this] { return editors_->password(); });
    tmrNoAnswer_ = platform_.makeTimer();
    tmrNoAnswer_->setObjectName(QStringLiteral("tmrNoAnswer"));
    dumpReader_ = std::make_unique<transfer::DumpReader>(*link_, *tmrCheckGSM_, *tmrNoAnswer_,
                                                         [this](const QString &text) { appendLog(text); });
    download_ = std::make_unique<transfer::Download>(
        *dumpReader_, *editors_, *platform_.dialogs, [this] { clearLog(); },
        [this](const QString &text) { appendLog(text); });
    uploadJob_ = std::make_unique<transfer::UploadJob>(*link_, *dumpReader_);
    connectLink();
    connect(link_.get(), &unitlink::UnitLink::chainStateChanged, this, &FrmMain::updateLineBusy);
    connect(dumpReader_.get(), &transfer::DumpReader::busyChanged, this, &FrmMain::updateLineBusy);

    connect(frame3_, &OutputTestPage::pressed, outputTester_.get(), &unitlink::OutputTester::press);
    connect(outputTester_.get(), &unitlink::OutputTester::buttonsEnabledChanged, frame3_,
            &OutputTestPage::setButtonsEnabled);
    connect(cmdUpload_, &QPushButton::clicked, this, &FrmMain::cmdUpload_Click);
    connect(cmdStop_, &QPushButton::clicked, this, &FrmMain::cmdStop_Click);
    // The settings as a document: what the file holds, the question before unsaved changes go,
    // the crash copy, the menu bar.
    document_ = std::make_unique<Document>(*this, *editors_, choice_.unitModel, *platform_.dialogs,
                                           platform_.makeTimer(), platform_.stateFolder, [this] { commitOpenEdit(); });
    menu_ = new MainMenu(*this, *document_, *platform_.dialogs, platform_.settings,
                         {editors_->undoAction(), editors_->redoAction()});
    outer->setMenuBar(menu_->bar());
    menu_->addFileActions((new PrintActions(
                               *this, *editors_, choice_.unitModel, *platform_.dialogs,
                               [this] { return document_->path().isEmpty() ? QString() : QFileInfo(document_->path()).fileName(); },
                               [this] { commitOpenEdit(); }))
                              ->actions());
    sites_ = new SitesMenu({*this, *menu_->bar(), *editors_, frame1_->numberModel(), *document_, *download_, *uploadJob_,
                            *platform_.dialogs, choice_.unitModel});
    connect(download_.get(), &transfer::Download::loaded, document_.get(), &Document::unitRead);
    connect(download_.get(), &transfer::Download::unitRead, this,
            [this](const settings::SettingsSet &unit) { uploadJob_->setHeld(unit); });
    connect(cmdDownload_, &QPushButton::clicked, this, [this] {
        if (document_->mayReplace())
            download_->cmdDownload_Click();
    });
    connect(menu_, &MainMenu::compareRequested, this, [this] { openCompare(false); });
    connect(cmdSave_, &QPushButton::clicked, document_.get(), &Document::saveAs);
    connect(cmdLoad_, &QPushButton::clicked, document_.get(), &Document::open);
    connect(frame1_->cmdImportCsv(), &QPushButton::clicked, this, [this] {
        commitOpenEdit();
        transfer::cmdImportCsv_Click(*editors_, choice_.unitModel, *platform_.dialogs,
                                     [this](const transfer::ImportPreview &preview, const QString &file) {
                                         return transfer::ImportPreviewDialog::ask(this, preview, file, choice_.unitModel);
                                     });
    });
    connect(frame1_->cmdExportCsv(), &QPushButton::clicked, this, [this] {
        commitOpenEdit();
        transfer::cmdExportCsv_Click(*editors_, choice_.unitModel, *platform_.dialogs);
    });
    connect(tabStrip_, &QTabBar::currentChanged, this, &FrmMain::selectTab);

    buildTabs();
    // Small screens (1024x600) get a window that fits them; the list takes what is spare.
    resize(QSize(980, 640).boundedTo(screen()->availableGeometry().size()));
}

FrmMain::~FrmMain()
{
    // The link and the tester refer to the timers and the port: let them go first.
    uploadJob_.reset();
    download_.reset();
    dumpReader_.reset();
    outputTester_.reset();
    link_.reset();
}

QWidget *FrmMain::page(int index) const
{
    switch (index) {
    case 0: return frame0_;
    case 1: return frame1_;
    case 3: return frame3_;
    case 4: return frame4_;
    default: return nullptr;
    }
}

QGroupBox *FrmMain::frmsys() const { return frame0_->frmsys(); }
QGroupBox *FrmMain::frmRing() const { return frame1_->frmRing(); }
QGroupBox *FrmMain::frminput() const { return frame1_->frminput(); }

void FrmMain::buildTabs()
{
    for (int index : {1, 3, 4})
        page(index)->hide();
    const QSignalBlocker block(tabStrip_);
    while (tabStrip_->count() > 0)
        tabStrip_->removeTab(0);
    for (int i = 1; i < choice_.tabFrames.size(); ++i) {
        auto *p = qobject_cast<QGroupBox *>(page(choice_.tabFrames[i]));
        if (!p)
            continue;
        tabStrip_->addTab(p->title());
        p->hide();
    }
    current_tab_ = 1;
    tabStrip_->setCurrentIndex(0);
    if (choice_.tabFrames.size() > 1)
        if (QWidget *first = page(choice_.tabFrames[1]))
            first->show();
}

void FrmMain::commitOpenEdit() { frame1_->commitOpenEdit(); }

void FrmMain::selectTab(int index)
{
    commitOpenEdit();
    if (index < 0 || index + 1 >= choice_.tabFrames.size())
        return;
    if (QWidget *p = page(choice_.tabFrames[current_tab_]))
        p->hide();
    current_tab_ = index + 1;
    if (QWidget *p = page(choice_.tabFrames[current_tab_]))
        p->show();
}

void FrmMain::runit()
{
    // The window is prepared for the model whether or not the port opens: the operator can
    // open another port from here.
    frame0_->cmbNetwork()->addItems({QStringLiteral("Vodacom"), QStringLiteral("MTN"), QStringLiteral("CellC")});
    frame0_->cmbNetwork()->setCurrentIndex(0);
    openPort(choice_.port);
}

bool FrmMain::openPort(const platform::PortEntry &entry)
{
    platform::SerialPort &port = *platform_.port;
    link_->interrupt();
    // Another unit may be on the other end from now on.
    uploadJob_->forgetHeld();
    port.close();
    choice_.port = entry;
    portList_->choose(entry.number);
    portLost_ = false;
    const bool opened = port.open(entry.path, platform::LineSettings{});
    showPort();
    if (!opened) {
        platform_.dialogs->message(QString::number(port.errorNumber()) + QLatin1Char(':') + port.errorDescription());
        return false;
    }
    emit portOpened(entry);
    // Another unit may have been plugged in meanwhile: a resumed upload is always read back.
    if (uploadJob_->can_resume()
        && platform_.dialogs->askYesNo(uploadJob_->resumeQuestion()))
        uploadJob_->resume();
    return true;
}

void FrmMain::showPort()
{
    const platform::PortEntry &e = choice_.port;
    const bool open = platform_.port->isOpen();
    document_->setTitleTail(QStringLiteral("%1 - COMM PORT %2: %3")
                                .arg(QString::fromLatin1(platform::kProgramTitle))
                                .arg(e.number)
                                .arg(e.simulated ? kSimulatedLine : e.label));
    lblSimulated_->setVisible(e.simulated);
    lblPortState_->setText(open ? QStringLiteral("Port %1 open").arg(e.number)
                                : QStringLiteral("Port %1 not open").arg(e.number));
}

void FrmMain::cmdOpenPort_Click()
{
    const auto entry = portList_->chosen();
    if (!entry) {
        platform_.dialogs->message(QStringLiteral("Please select a valid comm port"));
        return;
    }
    if (!document_->mayReplace(Document::OnDiscard::Revert))
        return;
    openPort(*entry);
}

void FrmMain::onPortLost()
{
    portLost_ = true;
    uploadJob_->forgetHeld();
    showPort();
}

void FrmMain::onCatalogueChanged()
{
    // The device that went away is back: take it up again, as the operator would.
    if (!portLost_ || platform_.port->isOpen())
        return;
    const auto entry = platform_.catalogue->find(choice_.port.number);
    if (entry && entry->connected)
        openPort(*entry);
}

void FrmMain::cmdUpload_Click()
{
    commitOpenEdit();
    mainwindow::cmdUpload_Click(
        *editors_, choice_.unitModel, frame0_->chkVerify()->isChecked(), *link_, *uploadJob_,
        *platform_.dialogs, [this] { clearLog(); }, [this] { openCompare(true); });
    updateLineBusy();
}

void FrmMain::openCompare(bool unitAgainstWindow)
{
    commitOpenEdit();
    CompareSources sources = compare_sources(*editors_, *uploadJob_, *dumpReader_, *platform_.dialogs,
                                             choice_.unitModel, [this] { clearLog(); });
    run_compare(choice_.unitModel, std::move(sources), *platform_.dialogs, unitAgainstWindow, this);
    updateLineBusy();
}

void FrmMain::cmdStop_Click()
{
    if (uploadJob_->running()) {
        appendLog(QStringLiteral("\r\nSTOP: the upload ends after the command in flight"));
        uploadJob_->stop();
    } else if (dumpReader_->busy()) {
        dumpReader_->stop();
    }
}

void FrmMain::connectLink()
{
    using unitlink::UnitLink;
    UnitLink *link = link_.get();
    connect(link, &UnitLink::commandSent, this, [this](int number, int total, const QString &text) {
        pbar_->setProgress(number - 1, total, transfer::progress_text(uploadJob_->currentPlan(), number));
        appendLog(QStringLiteral("\r\nSEND: ") + text);
    });
    connect(link, &UnitLink::replyReceived, this,
            [this](const QString &text) { appendLog(QStringLiteral("\r\nRECV: ") + text); });
    connect(link, &UnitLink::acknowledged, this, [this](int done, int total) {
        pbar_->setProgress(done, total, done == total ? QStringLiteral("All %1 commands acknowledged").arg(total) : QString());
    });
    // The read-back's own progress, not a full bar.
    connect(dumpReader_.get(), &transfer::DumpReader::progress, this, [this](qint64 received, qint64 expected) {
        const QString kb = QString::number(double(received) / 1024, 'f', 1);
        pbar_->setProgress(int(received), int(expected),
                           received == expected ? QStringLiteral("Settings read: %1 KB").arg(kb)
                                                : QStringLiteral("Reading the settings: %1 of about %2 KB")
                                                      .arg(kb, QString::number(double(expected) / 1024, 'f', 1)));
    });
    connect(link, &UnitLink::outputReported, this,
            [this](int output, bool on) { frame3_->setOutputColour(output, on ? kColourGreen : kColourRed); });
    connect(link, &UnitLink::wrongPassword, this, [this] { tell(QStringLiteral("Incorrect GSM unit password")); });
    connect(link, &UnitLink::chainCompleted, this, [this] {
        tell(QStringLiteral("Upload complete"), platform::Dialogs::Icon::Information, QStringLiteral("Upload complete"));
    });
    connect(link, &UnitLink::replyOverdue, this, [this](int number, int total, const QString &label) {
        tell(overdue_text(number, total, label, UnitLink::kReplyPatienceMs));
    });
    connect(link, &UnitLink::portLost, this,
            [this](int errorNumber, const QString &description, bool cut, int acknowledged, int total) {
                appendLog(QStringLiteral("\r\nPort closed: %1:%2").arg(errorNumber).arg(description));
                tell(port_lost_text(errorNumber, description, cut, acknowledged, total));
            });
    connect(link, &UnitLink::notSent, this, [this] { tell(not_open_text()); });

    connect(uploadJob_.get(), &transfer::UploadJob::verifying, this,
            [this] { appendLog(QStringLiteral("\r\nVERIFY: reading the settings back from the unit")); });
    connect(uploadJob_.get(), &transfer::UploadJob::currentPasswordWanted, this, [this](const QString &newPassword) {
        QMetaObject::invokeMethod(
            this,
            [this, newPassword] {
                uploadJob_->resendWith(platform_.dialogs->askPassword(
                    QStringLiteral("If you are changing the unit's password, type the password the unit has "
                                   "now.\nIt opens the password command; the rest of the upload uses the new "
                                   "password \"%1\".")
                        .arg(newPassword),
                    QStringLiteral("Unit's current password")));
            },
            Qt::QueuedConnection);
    });
    connect(uploadJob_.get(), &transfer::UploadJob::finished, this, &FrmMain::onUploadFinished);
    connect(uploadJob_.get(), &transfer::UploadJob::finished, this, &FrmMain::updateLineBusy);
}

void FrmMain::onUploadFinished(const transfer::UploadOutcome &outcome)
{
    // The bar ends on the chain, whatever the read-back showed on it.
    if (outcome.total > 0) {
        using Kind = transfer::UploadOutcome::Kind;
        const QString text = outcome.kind == Kind::Done && outcome.verification
                                 ? QStringLiteral("All %1 commands acknowledged and verified")
                             : outcome.kind == Kind::Done ? QStringLiteral("All %1 commands acknowledged")
                                                          : QStringLiteral("%2 of %1 commands acknowledged");
        pbar_->setProgress(outcome.acknowledged, outcome.total, text.arg(outcome.total).arg(outcome.acknowledged));
    }
    const OutcomeReport report = report_of(outcome);
    for (const QString &line : report.log)
        appendLog(line);
    if (outcome.kind == transfer::UploadOutcome::Kind::NotResumed) {
        // The rest of the chain is for the unit it began with; this one may take the whole upload.
        QMetaObject::invokeMethod(
            this,
            [this, text = report.message] {
                if (platform_.dialogs->askYesNo(text + QStringLiteral("\n\nSend the whole upload to the unit on the line?")))
                    uploadJob_->restartWhole();
                updateLineBusy();
            },
            Qt::QueuedConnection);
        return;
    }
    if (!report.message.isEmpty())
        tell(report.message, report.stop ? platform::Dialogs::Icon::Stop : platform::Dialogs::Icon::Information,
             report.title);
}

void FrmMain::tell(const QString &text, platform::Dialogs::Icon icon, const QString &title)
{
    QMetaObject::invokeMethod(
        this, [this, text, icon, title] { platform_.dialogs->message(text, icon, title); }, Qt::QueuedConnection);
}

void FrmMain::updateLineBusy()
{
    const bool busy = uploadJob_->running() || link_->chain_state() == unitlink::UnitLink::ChainState::Running
                      || dumpReader_->busy();
    outputTester_->setLineBusy(busy);
    for (QPushButton *b : {cmdUpload_, cmdDownload_, cmdLoad_})
        b->setEnabled(!busy);
    cmdStop_->setEnabled(busy);
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    if (!document_->mayClose()) {
        event->ignore();
        return;
    }
    platform_.port->close();
    QWidget::closeEvent(event);
}

void FrmMain::appendLog(const QString &text) { txtLog_->append(text); }
void FrmMain::clearLog() { txtLog_->clearLog(); }

} // namespace mainwindow

#include "mainwindow/frmmain.h"

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
#include "messages/messages.h"
#include "platform/dialogs.h"
#include "platform/namedcontrols.h"
#include "platform/portlist.h"
#include "platform/serialport.h"
#include "platform/timer.h"
#include "session/unitsession.h"
#include "settings/numberpage.h"
#include "settings/settingseditors.h"
#include "settings/systemparameterspage.h"
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
QString simulatedLine() { return FrmMain::tr("Simulated unit: nothing is sent to a real unit"); }

platform::Dialogs::Icon iconOf(const messages::Message &m)
{
    return m.kind == messages::Message::Kind::Problem ? platform::Dialogs::Icon::Stop
                                                      : platform::Dialogs::Icon::Information;
}
} // namespace

FrmMain::FrmMain(const Platform &platform, const Choice &choice, QWidget *parent)
    : QWidget(parent), platform_(platform), choice_(choice)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(platform::kProgramTitle));
    buildControls();
    session_ = std::make_unique<session::UnitSession>(*platform_.port, platform_.makeTimer, choice_.unitModel);
    download_ = std::make_unique<Download>(
        *session_, *editors_, *platform_.dialogs, [this] { clearLog(); }, [this](const QString &text) { appendLog(text); });
    connectSession();

    connect(platform_.catalogue, &platform::PortCatalogue::changed, this, &FrmMain::onCatalogueChanged);
    connect(openPortButton_, &QPushButton::clicked, this, &FrmMain::openPortClicked);
    connect(outputPage_, &OutputTestPage::pressed, this,
            [this](int output, bool on) { session_->pressOutput(output, on, editors_->password()); });
    connect(uploadButton_, &QPushButton::clicked, this, &FrmMain::uploadClicked);
    connect(stopButton_, &QPushButton::clicked, this, &FrmMain::stopClicked);
    // The settings as a document: what the file holds, the question before unsaved changes go,
    // the crash copy, the menu bar.
    document_ = std::make_unique<Document>(*this, *editors_, choice_.unitModel, *platform_.dialogs,
                                           platform_.makeTimer(), platform_.stateFolder, [this] { commitOpenEdit(); });
    menu_ = new MainMenu(*this, *document_, *platform_.dialogs, platform_.settings,
                         {editors_->undoAction(), editors_->redoAction()});
    layout()->setMenuBar(menu_->bar());
    menu_->addFileActions((new PrintActions(
                               *this, *editors_, choice_.unitModel, *platform_.dialogs,
                               [this] { return document_->path().isEmpty() ? QString() : QFileInfo(document_->path()).fileName(); },
                               [this] { commitOpenEdit(); }))
                              ->actions());
    sites_ = new SitesMenu({*this, *menu_->bar(), *editors_, numberPage_->numberModel(), *document_, *session_,
                            *platform_.dialogs, choice_.unitModel});
    connect(download_.get(), &Download::loaded, document_.get(), &Document::unitRead);
    connect(readButton_, &QPushButton::clicked, this, [this] {
        if (document_->mayReplace())
            download_->start();
    });
    connect(menu_, &MainMenu::compareRequested, this, [this] { openCompare(false); });
    connect(saveButton_, &QPushButton::clicked, document_.get(), &Document::saveAs);
    connect(loadButton_, &QPushButton::clicked, document_.get(), &Document::open);
    connect(numberPage_->cmdImportCsv(), &QPushButton::clicked, this, [this] {
        commitOpenEdit();
        importNumbers(*editors_, choice_.unitModel, *platform_.dialogs,
                      [this](const transfer::ImportPreview &preview, const QString &file) {
                          return ImportPreviewDialog::ask(this, preview, file, choice_.unitModel);
                      });
    });
    connect(numberPage_->cmdExportCsv(), &QPushButton::clicked, this, [this] {
        commitOpenEdit();
        exportNumbers(*editors_, choice_.unitModel, *platform_.dialogs);
    });
    connect(tabStrip_, &QTabBar::currentChanged, this, &FrmMain::selectTab);

    buildTabs();
    // Small screens (1024x600) get a window that fits them; the list takes what is spare.
    resize(QSize(980, 640).boundedTo(screen()->availableGeometry().size()));
}

void FrmMain::buildControls()
{
    systemPage_ = new settings::SystemParametersPage(this);
    numberPage_ = new settings::NumberManagementPage(this);
    numberPage_->setUnitModel(choice_.unitModel);
    outputPage_ = new OutputTestPage(this);
    logFrame_ = platform::namedFrame(QStringLiteral("frame_4"), tr("Log"), this);
    logBox_ = new LogBox(logFrame_);
    (new QVBoxLayout(logFrame_))->addWidget(logBox_);
    editors_ = std::make_unique<settings::SettingsEditors>(*systemPage_, *numberPage_);
    numberPage_->setDialogs(platform_.dialogs);
    // The room left in the list follows one upload's command limit and the upload choices.
    editors_->setRoomFunction(
        [model = choice_.unitModel](const settings::SettingsSet &set) { return numberRoom(set, model); });

    tabStrip_ = new QTabBar(this);
    tabStrip_->setObjectName(QStringLiteral("TabStrip1"));
    tabStrip_->setAccessibleName(tr("Pages"));
    tabStrip_->setExpanding(false);
    tabStrip_->setDrawBase(true);

    // The tab pages share one place beside page 0, which is always visible.
    auto *pageHost = new QWidget(this);
    auto *pageGrid = new QGridLayout(pageHost);
    pageGrid->setContentsMargins(0, 0, 0, 0);
    for (QWidget *p : {static_cast<QWidget *>(numberPage_), static_cast<QWidget *>(outputPage_),
                       static_cast<QWidget *>(logFrame_)})
        pageGrid->addWidget(p, 0, 0);

    auto *right = new QVBoxLayout;
    right->setSpacing(0);
    right->addWidget(tabStrip_);
    right->addWidget(pageHost, 1);

    auto *pages = new QHBoxLayout;
    pages->addWidget(systemPage_, 0);
    pages->addLayout(right, 1);

    loadButton_ = platform::namedButton(QStringLiteral("cmdLoad"), tr("LOAD SETTINGS FROM FILE"), this);
    saveButton_ = platform::namedButton(QStringLiteral("cmdSave"), tr("SAVE SETTINGS TO FILE"), this);
    readButton_ = platform::namedButton(QStringLiteral("cmdDownload"), tr("READ SETTINGS FROM GSM UNIT"), this);
    uploadButton_ = platform::namedButton(QStringLiteral("cmdUpload"), tr("UPLOAD SETTINGS TO GSM UNIT"), this);
    stopButton_ = platform::namedButton(QStringLiteral("cmdStop"), tr("STOP"), this);
    stopButton_->setShortcut(QKeySequence(Qt::Key_Escape));
    stopButton_->setToolTip(tr("Stop the transfer after the command in flight (Esc)"));
    stopButton_->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {loadButton_, saveButton_, readButton_, uploadButton_, stopButton_})
        buttons->addWidget(b);

    progressBar_ = new ProgressBar(this);
    simulatedBanner_ = platform::namedLabel(QStringLiteral("lblSimulated"), simulatedLine(), nullptr, this);
    simulatedBanner_->setStyleSheet(
        QStringLiteral("QLabel { background: #ffd84d; color: black; font-weight: bold; padding: 4px; }"));
    simulatedBanner_->setAlignment(Qt::AlignCenter);
    simulatedBanner_->hide();

    auto *outer = new QVBoxLayout(this);
    outer->addWidget(simulatedBanner_);
    outer->addLayout(buildPortRow());
    outer->addLayout(pages, 1);
    outer->addLayout(buttons);
    outer->addWidget(progressBar_);
}

QLayout *FrmMain::buildPortRow()
{
    // The port in use, and a way to open it again or another one without restarting.
    auto *portBox = new QComboBox(this);
    portBox->setObjectName(QStringLiteral("cmbPort"));
    portBox->setAccessibleName(tr("COMM PORT"));
    portBox->setMinimumWidth(60);
    auto *caption = platform::namedLabel(QStringLiteral("lblPortCaption"), tr("COMM PORT"), portBox, this);
    auto *device = platform::namedLabel(QStringLiteral("lblPortDevice"), QString(), nullptr, this);
    device->setTextInteractionFlags(Qt::TextSelectableByMouse);
    portList_ = new platform::PortList(*platform_.catalogue, portBox, device, this);
    openPortButton_ = platform::namedButton(QStringLiteral("cmdOpenPort"), tr("OPEN PORT"), this);
    portState_ = platform::namedLabel(QStringLiteral("lblPortState"), QString(), nullptr, this);
    auto *row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(portBox);
    row->addWidget(device, 1);
    row->addWidget(portState_);
    row->addWidget(openPortButton_);
    return row;
}

FrmMain::~FrmMain()
{
    // The reader's presenter listens to the session: let it go first.
    download_.reset();
    session_.reset();
}

QWidget *FrmMain::page(int index) const
{
    switch (index) {
    case 0: return systemPage_;
    case 1: return numberPage_;
    case 3: return outputPage_;
    case 4: return logFrame_;
    default: return nullptr;
    }
}

QGroupBox *FrmMain::frmsys() const { return systemPage_->frmsys(); }
QGroupBox *FrmMain::frmRing() const { return numberPage_->frmRing(); }
QGroupBox *FrmMain::frminput() const { return numberPage_->frminput(); }

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
    currentTab_ = 1;
    tabStrip_->setCurrentIndex(0);
    if (choice_.tabFrames.size() > 1)
        if (QWidget *first = page(choice_.tabFrames[1]))
            first->show();
}

void FrmMain::commitOpenEdit() { numberPage_->commitOpenEdit(); }

void FrmMain::selectTab(int index)
{
    commitOpenEdit();
    if (index < 0 || index + 1 >= choice_.tabFrames.size())
        return;
    if (QWidget *p = page(choice_.tabFrames[currentTab_]))
        p->hide();
    currentTab_ = index + 1;
    if (QWidget *p = page(choice_.tabFrames[currentTab_]))
        p->show();
}

void FrmMain::start()
{
    // The window is prepared for the model whether or not the port opens: the operator can
    // open another port from here.
    systemPage_->cmbNetwork()->addItems({QStringLiteral("Vodacom"), QStringLiteral("MTN"), QStringLiteral("CellC")});
    systemPage_->cmbNetwork()->setCurrentIndex(0);
    openPort(choice_.port);
}

bool FrmMain::openPort(const platform::PortEntry &entry)
{
    choice_.port = entry;
    portList_->choose(entry.number);
    portLost_ = false;
    const bool opened = session_->open(entry.path);
    showPort();
    if (!opened) {
        platform_.dialogs->message(messages::Texts::portOpenFailed(session_->errorNumber(), session_->errorDescription()));
        return false;
    }
    emit portOpened(entry);
    // Another unit may have been plugged in meanwhile: a resumed upload is always read back.
    if (session_->canResume() && platform_.dialogs->askYesNo(session_->resumeQuestion()))
        session_->resume();
    return true;
}

void FrmMain::showPort()
{
    const platform::PortEntry &e = choice_.port;
    document_->setTitleTail(tr("%1 - COMM PORT %2: %3")
                                .arg(QString::fromLatin1(platform::kProgramTitle))
                                .arg(e.number)
                                .arg(e.simulated ? simulatedLine() : e.label));
    simulatedBanner_->setVisible(e.simulated);
    portState_->setText(session_->isOpen() ? tr("Port %1 open").arg(e.number) : tr("Port %1 not open").arg(e.number));
}

void FrmMain::openPortClicked()
{
    const auto entry = portList_->chosen();
    if (!entry) {
        platform_.dialogs->message(tr("Please select a valid comm port"));
        return;
    }
    if (!document_->mayReplace(Document::OnDiscard::Revert))
        return;
    openPort(*entry);
}

void FrmMain::onPortLost(const session::PortLoss &loss)
{
    portLost_ = true;
    appendLog(QStringLiteral("\r\n") + tr("Port closed: %1").arg(platform::SerialPort::lossInWords(loss.errorNumber, loss.description)));
    const messages::Message m = messages::Texts::portLost(loss);
    tell(m.full(), iconOf(m));
    showPort();
}

void FrmMain::onCatalogueChanged()
{
    // The device that went away is back: take it up again, as the operator would.
    if (!portLost_ || session_->isOpen())
        return;
    const auto entry = platform_.catalogue->find(choice_.port.number);
    if (entry && entry->connected)
        openPort(*entry);
}

void FrmMain::uploadClicked()
{
    commitOpenEdit();
    UploadButton::press(
        *editors_, systemPage_->chkVerify()->isChecked(), *session_, *platform_.dialogs, [this] { clearLog(); },
        [this] { openCompare(true); });
    updateLineBusy();
}

void FrmMain::openCompare(bool unitAgainstWindow)
{
    commitOpenEdit();
    CompareSources sources = compare_sources(*editors_, *session_, *platform_.dialogs, [this] { clearLog(); });
    run_compare(choice_.unitModel, std::move(sources), *platform_.dialogs, unitAgainstWindow, this);
    updateLineBusy();
}

void FrmMain::stopClicked()
{
    if (session_->uploading())
        appendLog(QStringLiteral("\r\n") + messages::Texts::stoppedByOperator());
    session_->stop();
}

void FrmMain::connectSession()
{
    using session::UnitSession;
    UnitSession *s = session_.get();
    connect(s, &UnitSession::commandSent, this, [this](int number, int total, const QString &text) {
        progressBar_->setProgress(number - 1, total, transfer::progress_text(session_->currentPlan(), number));
        appendLog(QStringLiteral("\r\nSEND: ") + text);
    });
    connect(s, &UnitSession::replyReceived, this,
            [this](const QString &text) { appendLog(QStringLiteral("\r\nRECV: ") + text); });
    connect(s, &UnitSession::acknowledged, this, [this](int done, int total) {
        progressBar_->setProgress(done, total, done == total ? tr("All %1 commands acknowledged").arg(total) : QString());
    });
    // The read-back's own progress, not a full bar.
    connect(s, &UnitSession::readProgress, this, [this](qint64 received, qint64 expected) {
        const QString kb = QString::number(double(received) / 1024, 'f', 1);
        progressBar_->setProgress(int(received), int(expected),
                                  received == expected ? tr("Settings read: %1 KB").arg(kb)
                                                       : tr("Reading the settings: %1 of about %2 KB")
                                                             .arg(kb, QString::number(double(expected) / 1024, 'f', 1)));
    });
    connect(s, &UnitSession::lateAnswer, this, &FrmMain::appendLog);
    connect(s, &UnitSession::outputReported, this,
            [this](int output, bool on) { outputPage_->setOutputColour(output, on ? kColourGreen : kColourRed); });
    connect(s, &UnitSession::outputButtonsEnabled, outputPage_, &OutputTestPage::setButtonsEnabled);
    connect(s, &UnitSession::wrongPassword, this, [this] { tell(messages::Texts::wrongPassword()); });
    connect(s, &UnitSession::replyOverdue, this, [this](int number, int total, const QString &label) {
        tell(messages::Texts::overdue(number, total, label, unitlink::UnitLink::kReplyPatienceMs).text);
    });
    connect(s, &UnitSession::portLost, this, &FrmMain::onPortLost);
    connect(s, &UnitSession::notSent, this, [this] { tell(messages::Texts::portNotOpen().text); });
    connect(s, &UnitSession::busyChanged, this, &FrmMain::updateLineBusy);
    connect(s, &UnitSession::verifying, this,
            [this] { appendLog(QStringLiteral("\r\nVERIFY: ") + tr("reading the settings back from the unit")); });
    connect(s, &UnitSession::currentPasswordWanted, this, [this](const QString &newPassword) {
        QMetaObject::invokeMethod(
            this,
            [this, newPassword] {
                session_->answerCurrentPassword(platform_.dialogs->askPassword(
                    messages::Texts::currentPasswordQuestion(newPassword), messages::Texts::currentPasswordTitle()));
            },
            Qt::QueuedConnection);
    });
    connect(s, &UnitSession::uploadDone, this, &FrmMain::onUploadDone);
}

void FrmMain::onUploadDone(const transfer::UploadOutcome &outcome)
{
    using Kind = transfer::UploadOutcome::Kind;
    // The bar ends on the chain, whatever the read-back showed on it.
    if (outcome.total > 0) {
        const QString text = outcome.kind == Kind::Done && outcome.verification
                                 ? tr("All %1 commands acknowledged and verified")
                             : outcome.kind == Kind::Done ? tr("All %1 commands acknowledged")
                                                          : tr("%2 of %1 commands acknowledged");
        progressBar_->setProgress(outcome.acknowledged, outcome.total, text.arg(outcome.total).arg(outcome.acknowledged));
    }
    if (!outcome.dumpText.isEmpty())
        appendLog(QStringLiteral("\r\n") + outcome.dumpText);
    const messages::Message m = messages::Texts::upload(outcome);
    if (outcome.readingBack || outcome.verification)
        appendLog(QStringLiteral("\r\nVERIFY: ") + m.text);
    if (outcome.kind == transfer::UploadOutcome::Kind::NotResumed) {
        // The rest of the chain is for the unit it began with; this one may take the whole upload.
        QMetaObject::invokeMethod(
            this,
            [this, text = m.text] {
                if (platform_.dialogs->askYesNo(text + QStringLiteral("\n\n") + tr("Send the whole upload to the unit on the line?")))
                    session_->restartWhole();
                updateLineBusy();
            },
            Qt::QueuedConnection);
        return;
    }
    // A lost or closed port was told when it happened.
    if (m.isEmpty() || outcome.kind == Kind::PortLost || outcome.kind == Kind::PortClosed)
        return;
    tell(m.full(), iconOf(m), m.title);
}

void FrmMain::tell(const QString &text, platform::Dialogs::Icon icon, const QString &title)
{
    QMetaObject::invokeMethod(
        this, [this, text, icon, title] { platform_.dialogs->message(text, icon, title); }, Qt::QueuedConnection);
}

void FrmMain::updateLineBusy()
{
    const bool busy = session_->busy();
    for (QPushButton *b : {uploadButton_, readButton_, loadButton_})
        b->setEnabled(!busy);
    stopButton_->setEnabled(busy);
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    if (!document_->mayClose()) {
        event->ignore();
        return;
    }
    session_->close();
    QWidget::closeEvent(event);
}

void FrmMain::appendLog(const QString &text) { logBox_->append(text); }
void FrmMain::clearLog() { logBox_->clearLog(); }

} // namespace mainwindow

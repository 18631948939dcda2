#include "settings/systemparameterspage.h"

#include "platform/namedcontrols.h"

#include "settings/editorlimits.h"
#include "settings/valuecheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace settings {

namespace {

// The page shares the window with the tab pages: nested frames keep their margins small.
template <typename L>
L *tight(L *layout)
{
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    return layout;
}

} // namespace

SystemParametersPage::SystemParametersPage(QWidget *parent) : QGroupBox(tr("System Parameters"), parent)
{
    setObjectName(QStringLiteral("frame_0"));
    setAccessibleName(title());

    frmsys_ = platform::namedFrame(QStringLiteral("frmsys"), tr("Gate and standalone system settings"), this);

    QGroupBox *options = platform::namedFrame(QStringLiteral("frmOptions"), tr("System options"), frmsys_);
    chkErep_ = platform::namedCheck(QStringLiteral("chkErep"), tr("Error Reporting"),
                                    SettingsSet{}.errorReporting, options);
    chkOcnf_ = platform::namedCheck(QStringLiteral("chkOcnf"), tr("Output confirmation"),
                                    SettingsSet{}.outputConfirmation, options);
    auto *optionsLayout = tight(new QVBoxLayout(options));
    optionsLayout->addWidget(chkErep_);
    optionsLayout->addWidget(chkOcnf_);
    optionsLayout->addStretch(1);

    frmMonInputs_ = platform::namedFrame(QStringLiteral("frmMonInput"), tr("Monitor inputs"), frmsys_);
    auto *monitorLayout = tight(new QGridLayout(frmMonInputs_));
    for (int k = 0; k < 4; ++k) {
        chkMonInput_[k] = platform::namedCheck(QStringLiteral("chkMonInput_%1").arg(k), tr("Input %1").arg(k + 1),
                                               SettingsSet{}.monitorInputs[k], frmMonInputs_);
        monitorLayout->addWidget(chkMonInput_[k], k / 2, k % 2);
    }

    auto *namesLabel = new QLabel(tr("Input names"), frmsys_);
    namesLabel->setObjectName(QStringLiteral("lblInputNames"));
    auto *namesLayout = new QGridLayout;
    for (int k = 0; k < 4; ++k) {
        auto *name = new QLineEdit(SettingsSet{}.inputNames[k], frmsys_);
        name->setObjectName(QStringLiteral("txtInputName_%1").arg(k));
        name->setAccessibleName(tr("Input name %1").arg(k + 1));
        acceptLatin1Only(name, kRefusedInText, kNameLength);
        txtInputName_[k] = name;
        namesLayout->addWidget(name, k / 2, 2 * (k % 2));
        namesLayout->addWidget(lengthCounter(name, frmsys_), k / 2, 2 * (k % 2) + 1);
    }
    namesLabel->setBuddy(txtInputName_[0]);

    auto *sysLayout = tight(new QVBoxLayout(frmsys_));
    auto *boxes = new QHBoxLayout;
    boxes->addWidget(options, 1);
    boxes->addWidget(frmMonInputs_, 1);
    sysLayout->addLayout(boxes);
    sysLayout->addWidget(namesLabel);
    sysLayout->addLayout(namesLayout);

    frmUpload_ = platform::namedFrame(QStringLiteral("frmUpload"), tr("Upload settings"), this);
    chksys_ = platform::namedCheck(QStringLiteral("chksys"), tr("System parameters"), false, frmUpload_);
    chktel_ = platform::namedCheck(QStringLiteral("chktel"), tr("Telephone numbers"), true, frmUpload_);
    chkrep_ = platform::namedCheck(QStringLiteral("chkrep"), tr("Schedules"), false, frmUpload_);
    chkVerify_ = platform::namedCheck(QStringLiteral("chkVerify"), tr("Verify after upload"), true,
                                      frmUpload_);
    cmdReset_ = new QPushButton(tr("RESET GSM MODULE TO DEFAULTS"), frmUpload_);
    cmdReset_->setObjectName(QStringLiteral("cmdReset"));
    cmdReset_->setAccessibleName(cmdReset_->text());
    // Neither has a command the unit knows: disabled, and saying so, so nobody believes the
    // unit was reset or its schedules sent.
    cmdReset_->setEnabled(false);
    cmdReset_->setToolTip(tr("Not available: the unit has no command to reset its GSM module. Nothing is sent."));
    chkrep_->setEnabled(false);
    chkrep_->setToolTip(tr("Not available: the unit has no command for schedules. Nothing is sent."));
    auto *uploadLayout = tight(new QVBoxLayout(frmUpload_));
    auto *selection = new QHBoxLayout;
    selection->addWidget(chksys_);
    selection->addWidget(chktel_);
    selection->addWidget(chkrep_);
    selection->addStretch(1);
    uploadLayout->addLayout(selection);
    uploadLayout->addWidget(chkVerify_);
    uploadLayout->addWidget(cmdReset_);

    auto *networkLabel = new QLabel(tr("Network"), this);
    networkLabel->setObjectName(QStringLiteral("lblNetwork"));
    cmbNetwork_ = new QComboBox(this);
    cmbNetwork_->setObjectName(QStringLiteral("cmbNetwork"));
    cmbNetwork_->setAccessibleName(networkLabel->text());
    cmbNetwork_->setEditable(false);
    cmbNetwork_->setMinimumContentsLength(10);
    networkLabel->setBuddy(cmbNetwork_);
    const QString notSent = tr("For your records only: the network is not sent to the unit, nor saved.");
    cmbNetwork_->setToolTip(notSent);
    QLabel *networkNote = platform::namedLabel(QStringLiteral("lblNetworkNote"), tr("(not sent to the unit)"),
                                               nullptr, this);
    networkNote->setToolTip(notSent);
    networkNote->setEnabled(false); // drawn greyed, as a remark
    auto *network = new QHBoxLayout;
    network->addWidget(networkLabel);
    network->addWidget(cmbNetwork_);
    network->addWidget(networkNote);
    network->addStretch(1);

    auto *layout = tight(new QVBoxLayout(this));
    layout->addWidget(frmsys_);
    layout->addWidget(frmUpload_);
    layout->addLayout(network);
    layout->addStretch(1);
}

} // namespace settings

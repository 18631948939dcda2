#pragma once
#include <QGroupBox>
#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace settings {

// Page 0: the system options, monitor inputs, input names, the upload selection and the
// network choice.
class SystemParametersPage : public QGroupBox {
    Q_OBJECT
public:
    explicit SystemParametersPage(QWidget *parent = nullptr);

    QGroupBox *frmsys() const { return frmsys_; }
    QGroupBox *frmMonInputs() const { return frmMonInputs_; }
    QGroupBox *frmUpload() const { return frmUpload_; }
    QComboBox *cmbNetwork() const { return cmbNetwork_; }
    QCheckBox *chkErep() const { return chkErep_; }
    QCheckBox *chkOcnf() const { return chkOcnf_; }
    QCheckBox *chkMonInput(int k) const { return chkMonInput_.at(k); }
    QLineEdit *txtInputName(int k) const { return txtInputName_.at(k); }
    QCheckBox *chksys() const { return chksys_; }
    QCheckBox *chktel() const { return chktel_; }
    QCheckBox *chkrep() const { return chkrep_; }
    QCheckBox *chkVerify() const { return chkVerify_; }
    QPushButton *cmdReset() const { return cmdReset_; }

private:
    QGroupBox *frmsys_ = nullptr;
    QGroupBox *frmMonInputs_ = nullptr;
    QGroupBox *frmUpload_ = nullptr;
    QComboBox *cmbNetwork_ = nullptr;
    QCheckBox *chkErep_ = nullptr;
    QCheckBox *chkOcnf_ = nullptr;
    std::array<QCheckBox *, 4> chkMonInput_{};
    std::array<QLineEdit *, 4> txtInputName_{};
    QCheckBox *chksys_ = nullptr;
    QCheckBox *chktel_ = nullptr;
    QCheckBox *chkrep_ = nullptr;
    QCheckBox *chkVerify_ = nullptr;
    QPushButton *cmdReset_ = nullptr;
};

} // namespace settings

#pragma once
#include <QGroupBox>
#include <QString>
#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace settings {

class CellEditor;
class NumberGrid;

// Page 1: system name, password, master number, the number table with its entry panel
// and the in-place cell editor.
class NumberManagementPage : public QGroupBox {
    Q_OBJECT
public:
    explicit NumberManagementPage(QWidget *parent = nullptr);
    ~NumberManagementPage() override;

    // "gate" or "intercom": Add and the editor read it. It does not lay out the grid.
    void setUnitModel(const QString &model);
    QString unitModel() const { return unitModel_; }

    NumberGrid *grdNum() const { return grdNum_; }
    QGroupBox *frmAddNum() const { return frmAddNum_; }
    QGroupBox *frmRing() const { return frmRing_; }
    QGroupBox *frminput() const { return frminput_; }
    QLineEdit *txtPass() const { return txtPass_; }
    QLineEdit *txtSysName() const { return txtSysName_; }
    QLineEdit *txtMastNum() const { return txtMastNum_; }
    QLineEdit *txtNum() const { return txtNum_; }
    QCheckBox *chkOutput(int k) const { return chkOutput_.at(k); }
    QCheckBox *chkInput(int k) const { return chkInput_.at(k); }
    QPushButton *cmdAddNum() const { return cmdAddNum_; }
    QPushButton *cmdNumDel() const { return cmdNumDel_; }
    QPushButton *cmdNumClear() const { return cmdNumClear_; }
    QPushButton *cmdImportCsv() const { return cmdImportCsv_; }
    QPushButton *cmdExportCsv() const { return cmdExportCsv_; }
    QLineEdit *Text1() const;
    CellEditor &cellEditor() const { return *cellEditor_; }

    void cmdAddNum_Click();
    void cmdNumDel_Click();
    void cmdNumClear_Click();

private:
    QString unitModel_;
    NumberGrid *grdNum_ = nullptr;
    QGroupBox *frmAddNum_ = nullptr;
    QGroupBox *frmRing_ = nullptr;
    QGroupBox *frminput_ = nullptr;
    QLineEdit *txtPass_ = nullptr;
    QLineEdit *txtSysName_ = nullptr;
    QLineEdit *txtMastNum_ = nullptr;
    QLineEdit *txtNum_ = nullptr;
    std::array<QCheckBox *, 4> chkOutput_{};
    std::array<QCheckBox *, 4> chkInput_{};
    QPushButton *cmdAddNum_ = nullptr;
    QPushButton *cmdNumDel_ = nullptr;
    QPushButton *cmdNumClear_ = nullptr;
    QPushButton *cmdImportCsv_ = nullptr;
    QPushButton *cmdExportCsv_ = nullptr;
    CellEditor *cellEditor_ = nullptr;
};

} // namespace settings

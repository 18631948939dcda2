#pragma once
#include <QGroupBox>
#include <QString>
#include <array>
#include <optional>

class QCheckBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace platform {
class Dialogs;
}

namespace settings {

class NumberDelegate;
class NumberFilterModel;
class NumberListModel;
class NumberView;

// Page 1: system name, password, master number, the number list with its filter, its count and
// its entry panel.
class NumberManagementPage : public QGroupBox {
    Q_OBJECT
public:
    explicit NumberManagementPage(QWidget *parent = nullptr);
    ~NumberManagementPage() override;

    // "gate" or "intercom": decides the list's columns; Add reads it.
    void setUnitModel(const QString &model);
    QString unitModel() const { return unitModel_; }
    // Who asks before Delete ALL; without it Delete ALL does nothing.
    void setDialogs(platform::Dialogs *dialogs) { dialogs_ = dialogs; }
    // How many more numbers one upload could carry, for the count; none: the count only.
    void setRoom(std::optional<int> room);

    NumberListModel &numberModel() const { return *model_; }
    NumberFilterModel &filterModel() const { return *filter_; }
    NumberView *grdNum() const { return grdNum_; }
    QGroupBox *frmAddNum() const { return frmAddNum_; }
    QGroupBox *frmRing() const { return frmRing_; }
    QGroupBox *frminput() const { return frminput_; }
    QLineEdit *txtPass() const { return txtPass_; }
    QLineEdit *txtSysName() const { return txtSysName_; }
    QLineEdit *txtMastNum() const { return txtMastNum_; }
    QLineEdit *txtNum() const { return txtNum_; }
    QLineEdit *txtFilter() const { return txtFilter_; }
    QLabel *lblNumCount() const { return lblNumCount_; }
    QLabel *lblNumProblem() const { return lblNumProblem_; }
    QLabel *lblCellProblem() const { return lblCellProblem_; }
    QCheckBox *chkOutput(int k) const { return chkOutput_.at(k); }
    QCheckBox *chkInput(int k) const { return chkInput_.at(k); }
    QPushButton *cmdAddNum() const { return cmdAddNum_; }
    QPushButton *cmdNumDel() const { return cmdNumDel_; }
    QPushButton *cmdNumClear() const { return cmdNumClear_; }
    QPushButton *cmdImportCsv() const { return cmdImportCsv_; }
    QPushButton *cmdExportCsv() const { return cmdExportCsv_; }
    QPushButton *cmdUndo() const { return cmdUndo_; }
    QPushButton *cmdRedo() const { return cmdRedo_; }

    // Writes back an edit still open in the list.
    void commitOpenEdit();

    void addNumber();
    void deleteSelected();
    void deleteAll();

private:
    QGridLayout *buildSystemRows(); // name, password, master number
    QHBoxLayout *buildListBar();    // Find, the count, undo and redo
    QGroupBox *buildEntryPanel();   // "Add Number"
    void showCount();
    void showProblem(QLabel *label, QWidget *field, const QString &name, const QString &why);
    void showNumberProblem(const QString &why);
    void showCellProblem(const QString &why);

    QString unitModel_;
    platform::Dialogs *dialogs_ = nullptr;
    std::optional<int> room_;
    NumberListModel *model_ = nullptr;
    NumberFilterModel *filter_ = nullptr;
    NumberView *grdNum_ = nullptr;
    NumberDelegate *delegate_ = nullptr;
    QGroupBox *frmAddNum_ = nullptr;
    QGroupBox *frmRing_ = nullptr;
    QGroupBox *frminput_ = nullptr;
    QLineEdit *txtPass_ = nullptr;
    QLineEdit *txtSysName_ = nullptr;
    QLineEdit *txtMastNum_ = nullptr;
    QLineEdit *txtNum_ = nullptr;
    QLineEdit *txtFilter_ = nullptr;
    QLabel *lblNumCount_ = nullptr;
    QLabel *lblNumProblem_ = nullptr;
    QLabel *lblCellProblem_ = nullptr;
    std::array<QCheckBox *, 4> chkOutput_{};
    std::array<QCheckBox *, 4> chkInput_{};
    QPushButton *cmdAddNum_ = nullptr;
    QPushButton *cmdNumDel_ = nullptr;
    QPushButton *cmdNumClear_ = nullptr;
    QPushButton *cmdImportCsv_ = nullptr;
    QPushButton *cmdExportCsv_ = nullptr;
    QPushButton *cmdUndo_ = nullptr;
    QPushButton *cmdRedo_ = nullptr;
};

} // namespace settings

#pragma once
#include "compare/compare.h"
#include "settings/settingsset.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace platform {
class Dialogs;
}

namespace mainwindow {

// One side of a comparison: where it came from, and its settings.
struct CompareSide {
    enum class Kind {
        File,
        Unit,
        Window,
    };
    Kind kind = Kind::Window;
    QString name; // as the side's title shows it: the file's name, "the unit", ...
    settings::SettingsSet set;
};

// How the compare view reaches the window and the unit.
struct CompareSources {
    std::function<settings::SettingsSet()> window;                  // the settings the editors hold
    std::function<std::optional<settings::SettingsSet>()> lastRead; // what the unit is known to hold
    // Reads the unit now; `done` gets its settings, or nothing (the reason was shown).
    std::function<void(std::function<void(std::optional<settings::SettingsSet>)> done)> readUnit;
    // Sends `target` to the unit known to hold the unit side and verifies it; false when it
    // did not start.
    std::function<bool(const settings::SettingsSet &target)> apply;
};

// "Compare...": two sides (a settings file, the unit as last read or read now, the window's
// settings), one row per difference with both values and the label where known, the counts,
// and, when one side is the unit, a tick per row: applying sends the shortest safe upload for
// the ticked rows only. The window's settings are never changed here.
class CompareDialog : public QDialog {
    Q_OBJECT
public:
    CompareDialog(const QString &unitModel, CompareSources sources, platform::Dialogs &dialogs,
                  QWidget *parent = nullptr);

    void setLabels(const compare::Labels &labels) { labels_ = labels; }
    // Shows the two sides, everything ticked.
    void setSides(const CompareSide &left, const CompareSide &right);
    const compare::Comparison &comparison() const { return comparison_; }
    // Row `row` ticked or not; a tick means "send this to the unit".
    void setTicked(int row, bool ticked);
    QList<bool> ticked() const;
    // What the unit would hold after applying the ticked rows; none when no side is the unit.
    std::optional<settings::SettingsSet> target() const;
    // Asks first (the plan, why the list is cleared, another site's unit), then sends.
    bool applyTicked();

private:
    void chooseSide(int which, int index);
    void showComparison();
    void showSources();
    int unitSide() const; // 0 left, 1 right, -1 neither

    QString model_;
    CompareSources sources_;
    platform::Dialogs &dialogs_;
    compare::Labels labels_;
    CompareSide sides_[2];
    compare::Comparison comparison_;
    QComboBox *cmbSide_[2] = {};
    QLabel *lblSide_[2] = {};
    QLabel *lblCounts_ = nullptr;
    QTableView *tblChanges_ = nullptr;
    QStandardItemModel *rows_ = nullptr;
    QPushButton *cmdApply_ = nullptr;
};

} // namespace mainwindow

#pragma once
#include <QLineEdit>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <optional>
#include <utility>

class QKeyEvent;

namespace settings {

class NumberGrid;

// The in-place editor of the number grid: a frameless line edit laid over the current cell.
// It is visible only while an edit is in progress; leaving it writes the text back.
class CellEditor : public QObject {
    Q_OBJECT
public:
    explicit CellEditor(NumberGrid &grid);

    QLineEdit *text1() const { return text1_; } // objectName "Text1"
    bool editing() const;

    // Opens the editor over the current cell. Codes 0..32 start from the cell's text,
    // any other code replaces it with that one character.
    void edit_cell(int key);

    // Writes an open edit back by the column rule and closes the editor, as the grid taking
    // the focus back would; does nothing when no edit is open. Whatever takes the settings
    // (a save, a transfer) or hides the grid calls it first, so no typed value is lost.
    void commit() { writeBackByColumn(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Closes the editor and hands over its cell and text, if its cell still exists.
    std::optional<std::pair<QPersistentModelIndex, QString>> finishEdit();
    void writeBackByColumn();  // the grid took the focus back
    void writeBackUnchanged(); // the current cell moved away
    void close();              // hides the editor; the edit ends
    void leaveTo(int rowStep); // give the grid the focus, then move the current row
    bool editorKey(QKeyEvent *event);
    bool gridKey(QKeyEvent *event);
    void followRows(); // rows above the edit went away, or the edit's own row did

    NumberGrid &grid_;
    QPointer<QLineEdit> text1_;      // dies with the viewport, before the grid is gone
    QObject *text1Object_ = nullptr; // the same editor, for comparing without a cast while it is destroyed
    QPersistentModelIndex cell_;     // the cell the editor was opened on
};

} // namespace settings

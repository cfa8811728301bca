// ListBox1: the file list drawn from FileListModel in newspaper columns (lines run down a column,
// then on in the next), black background, aqua folders and white files, the highlight inset for
// marks and the focus rectangle. Only the visible lines are painted, so a folder of 100,000 files
// scrolls and pages without delay. It owns no state of the list: keys, clicks and drops go to the
// window's handlers, which change the model and tell the view.
#pragma once

#include <QAbstractScrollArea>
#include <QPoint>
#include <functional>
#include <string>
#include <vector>

#include "files/FileListModel.h"

class QKeyEvent;
class QMimeData;

namespace kelvantori {

class FileListView : public QAbstractScrollArea {
    Q_OBJECT

  public:
    static constexpr int kItemHeight = 16;
    static constexpr const char* kLinesMimeType = "application/x-kelvantori-list-lines";

    struct Handlers {
        // A key pressed or released in the list; true when the key was taken (consumed).
        std::function<bool(QKeyEvent*)> keyDown;
        std::function<void(QKeyEvent*)> keyUp;
        // A plain click, the selection moved by an arrow key, a double click, Shift+click.
        std::function<void(int line)> click;
        std::function<void(int line)> doubleClick;
        std::function<void(int line)> shiftClick;
        // Dragging lines of this list: over a line (-1: empty space), the drop, the drag's end.
        std::function<bool(int startLine, int overLine)> dragOver;
        std::function<void(int startLine, int overLine)> drop;
        std::function<void()> dragLeft;
        // Whether files from other programs may be dropped now, and the drop (host paths).
        std::function<bool()> acceptsFiles;
        std::function<void(const std::vector<std::string>& hostPaths)> filesDropped;
        // The number of visible rows changed (RowsPerColumn).
        std::function<void(int rows)> rowsChanged;
    };

    FileListView(const FileListModel& model, QWidget* parent);

    void SetHandlers(Handlers handlers) { handlers_ = std::move(handlers); }

    // The ListColumn setting: the number of columns the list's width is divided into.
    void SetColumns(int columns);
    int Columns() const { return columns_; }
    // Visible rows of one column: the client height divided by the item height.
    int RowsPerColumn() const;

    // The model's lines or selection changed: the scroll range follows, the selection is scrolled
    // into view and the list repainted.
    void ModelChanged();
    // Scrolls so that the line's column is visible (moving as few columns as needed).
    void EnsureVisible(int line);
    // The first visible column.
    int FirstColumn() const;

    // The line under a point of the viewport, -1 for none.
    int LineAt(QPoint point) const;
    // The rectangle of a line in viewport coordinates (outside the viewport when not visible).
    QRect LineRect(int line) const;

    // Paints the list at once (the searching line before a long scan).
    void RepaintNow();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool next) override;

  private:
    int ColumnWidth() const;
    int TotalColumns() const;
    void UpdateScrollRange();
    void MoveSelectionBy(int delta);
    void StartDrag();
    int DragStartLine(const QMimeData* data) const;

    const FileListModel& model_;
    Handlers handlers_;
    int columns_ = 2;
    int lastRows_ = 0;
    QPoint pressPos_;
    int pressLine_ = -1;
    bool dragging_ = false;
};

}  // namespace kelvantori

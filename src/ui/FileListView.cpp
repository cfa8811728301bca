// Drawing ListBox1 and turning its mouse, key and drop events into the window's handlers.
#include "ui/FileListView.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <QUrl>
#include <algorithm>

#include "ui/Fonts.h"
#include "ui/QtText.h"

namespace kelvantori {

namespace {

// Text and highlight stand this many pixels right of the item's left edge; the highlight ends
// this many pixels before its right edge.
constexpr int kTextLeft = 5;
constexpr int kHighlightRightGap = 5;

QColor ToQColor(LineColour colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

}  // namespace

FileListView::FileListView(const FileListModel& model, QWidget* parent)
    : QAbstractScrollArea(parent), model_(model) {
    setObjectName("ListBox1");
    setFont(GothicFont(16));
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(QString::fromUtf8("ファイルを選択してください。"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::Base, Qt::black);
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setSingleStep(1);
    // A dark bar under the black list: it is there for the mouse, the keys do not need it.
    horizontalScrollBar()->setStyleSheet(
        "QScrollBar:horizontal { background: #202020; height: 14px; margin: 0 14px 0 14px; }"
        "QScrollBar::handle:horizontal { background: #707070; min-width: 24px; }"
        "QScrollBar::add-line:horizontal { background: #404040; width: 14px;"
        " subcontrol-position: right; subcontrol-origin: margin; }"
        "QScrollBar::sub-line:horizontal { background: #404040; width: 14px;"
        " subcontrol-position: left; subcontrol-origin: margin; }");
}

void FileListView::SetColumns(int columns) {
    columns_ = std::max(1, columns);
    UpdateScrollRange();
    EnsureVisible(model_.Selected());
    viewport()->update();
}

int FileListView::RowsPerColumn() const {
    return std::max(1, viewport()->height() / kItemHeight);
}

int FileListView::ColumnWidth() const {
    return std::max(1, viewport()->width() / columns_);
}

int FileListView::TotalColumns() const {
    const int rows = RowsPerColumn();
    return (model_.LineCount() + rows - 1) / rows;
}

int FileListView::FirstColumn() const {
    return horizontalScrollBar()->value();
}

void FileListView::UpdateScrollRange() {
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, std::max(0, TotalColumns() - columns_));
    bar->setPageStep(columns_);
}

void FileListView::ModelChanged() {
    UpdateScrollRange();
    EnsureVisible(model_.Selected());
    viewport()->update();
}

void FileListView::EnsureVisible(int line) {
    if (line < 0 || line >= model_.LineCount())
        return;
    const int column = line / RowsPerColumn();
    QScrollBar* bar = horizontalScrollBar();
    if (column < bar->value())
        bar->setValue(column);
    else if (column >= bar->value() + columns_)
        bar->setValue(column - columns_ + 1);
}

int FileListView::LineAt(QPoint point) const {
    if (point.x() < 0 || point.y() < 0 || point.x() >= columns_ * ColumnWidth())
        return -1;
    const int rows = RowsPerColumn();
    const int row = point.y() / kItemHeight;
    if (row >= rows)
        return -1;
    const int line = (FirstColumn() + point.x() / ColumnWidth()) * rows + row;
    return line < model_.LineCount() ? line : -1;
}

QRect FileListView::LineRect(int line) const {
    const int rows = RowsPerColumn();
    const int column = line / rows - FirstColumn();
    return QRect(column * ColumnWidth(), (line % rows) * kItemHeight, ColumnWidth(), kItemHeight);
}

void FileListView::RepaintNow() {
    UpdateScrollRange();
    viewport()->repaint();
}

void FileListView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), Qt::black);
    const int rows = RowsPerColumn();
    const int count = model_.LineCount();
    const int first = FirstColumn() * rows;
    const int last = std::min(count, first + (columns_ + 1) * rows);
    const QFontMetrics metrics(font());
    const int baseline = (kItemHeight - metrics.height()) / 2 + metrics.ascent();
    const bool focused = hasFocus();
    for (int line = first; line < last; ++line) {
        const QRect item = LineRect(line);
        if (!item.intersects(event->rect()))
            continue;
        const QColor colour = ToQColor(model_.ColourOf(line));
        const bool selected = line == model_.Selected();
        const QRect highlight(item.left() + model_.HighlightInset(line), item.top(),
                              item.width() - model_.HighlightInset(line) - kHighlightRightGap,
                              item.height());
        if (selected)
            painter.fillRect(highlight, colour);
        painter.setPen(selected ? QColor(Qt::black) : colour);
        painter.save();
        painter.setClipRect(highlight);
        painter.drawText(item.left() + kTextLeft, item.top() + baseline,
                         Q(model_.Lines()[static_cast<std::size_t>(line)]));
        painter.restore();
        if (selected && focused) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            option.rect = item;
            option.backgroundColor = Qt::black;
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    }
}

void FileListView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
    const int rows = RowsPerColumn();
    if (rows != lastRows_) {
        lastRows_ = rows;
        if (handlers_.rowsChanged)
            handlers_.rowsChanged(rows);
    }
}

void FileListView::scrollContentsBy(int, int) {
    viewport()->update();
}

bool FileListView::focusNextPrevChild(bool) {
    // Tab is a key of the list like any other; the focus stays.
    return false;
}

void FileListView::MoveSelectionBy(int delta) {
    const int count = model_.LineCount();
    if (count == 0)
        return;
    const int current = model_.Selected() < 0 ? 0 : model_.Selected();
    const int target = std::clamp(current + delta, 0, count - 1);
    if (handlers_.click)
        handlers_.click(target);
}

void FileListView::keyPressEvent(QKeyEvent* event) {
    if (handlers_.keyDown && handlers_.keyDown(event)) {
        event->accept();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Up:
            MoveSelectionBy(-1);
            break;
        case Qt::Key_Down:
            MoveSelectionBy(1);
            break;
        case Qt::Key_Left:
            MoveSelectionBy(-RowsPerColumn());
            break;
        case Qt::Key_Right:
            MoveSelectionBy(RowsPerColumn());
            break;
        default:
            event->ignore();
            return;
    }
    event->accept();
}

void FileListView::keyReleaseEvent(QKeyEvent* event) {
    if (handlers_.keyUp)
        handlers_.keyUp(event);
    event->accept();
}

void FileListView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton)
        return;
    const int line = LineAt(event->position().toPoint());
    pressPos_ = event->position().toPoint();
    pressLine_ = line;
    if (line < 0)
        return;
    if ((event->modifiers() & Qt::ShiftModifier) && handlers_.shiftClick)
        handlers_.shiftClick(line);
    if (handlers_.click)
        handlers_.click(line);
}

void FileListView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || pressLine_ < 0 || dragging_)
        return;
    if ((event->position().toPoint() - pressPos_).manhattanLength() <
        QApplication::startDragDistance())
        return;
    StartDrag();
}

void FileListView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int line = LineAt(event->position().toPoint());
    if (line >= 0 && handlers_.doubleClick)
        handlers_.doubleClick(line);
}

void FileListView::StartDrag() {
    // A drag starts from the current line (the press selected it).
    const int start = model_.Selected();
    if (start < 0)
        return;
    auto* data = new QMimeData;
    data->setData(kLinesMimeType, QByteArray::number(start));
    QDrag drag(this);
    drag.setMimeData(data);
    dragging_ = true;
    drag.exec(Qt::MoveAction);
    dragging_ = false;
    pressLine_ = -1;
    if (handlers_.dragLeft)
        handlers_.dragLeft();
}

int FileListView::DragStartLine(const QMimeData* data) const {
    if (!data || !data->hasFormat(kLinesMimeType))
        return -1;
    bool ok = false;
    const int line = data->data(kLinesMimeType).toInt(&ok);
    return ok ? line : -1;
}

void FileListView::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (DragStartLine(data) >= 0 && event->source() == this) {
        event->acceptProposedAction();
        return;
    }
    if (data->hasUrls() && handlers_.acceptsFiles && handlers_.acceptsFiles()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    event->ignore();
}

void FileListView::dragMoveEvent(QDragMoveEvent* event) {
    const int start = DragStartLine(event->mimeData());
    if (start >= 0 && event->source() == this) {
        const int over = LineAt(event->position().toPoint());
        if (handlers_.dragOver && handlers_.dragOver(start, over))
            event->acceptProposedAction();
        else
            event->ignore();
        return;
    }
    if (event->mimeData()->hasUrls() && handlers_.acceptsFiles && handlers_.acceptsFiles()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    event->ignore();
}

void FileListView::dragLeaveEvent(QDragLeaveEvent*) {
    if (handlers_.dragLeft)
        handlers_.dragLeft();
}

void FileListView::dropEvent(QDropEvent* event) {
    const int start = DragStartLine(event->mimeData());
    if (start >= 0 && event->source() == this) {
        const int over = LineAt(event->position().toPoint());
        if (handlers_.dragOver && handlers_.dragOver(start, over)) {
            event->acceptProposedAction();
            if (handlers_.drop)
                handlers_.drop(start, over);
        } else {
            event->ignore();
        }
        return;
    }
    if (event->mimeData()->hasUrls() && handlers_.filesDropped) {
        std::vector<std::string> paths;
        for (const QUrl& url : event->mimeData()->urls()) {
            if (url.isLocalFile())
                paths.push_back(U(url.toLocalFile()));
        }
        event->setDropAction(Qt::CopyAction);
        event->accept();
        if (!paths.empty())
            handlers_.filesDropped(paths);
        return;
    }
    event->ignore();
}

}  // namespace kelvantori

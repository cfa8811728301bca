// Painting the visible lines of a program, scrolling, and following a send or a receive.
#include "ui/ProgramView.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "core/TextCodec.h"
#include "ui/Fonts.h"
#include "ui/QtText.h"

namespace kelvantori {

namespace {

constexpr int kLeftMargin = 3;

}  // namespace

ProgramView::ProgramView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName("RichEdit1");
    setFont(GothicFont(11));
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
}

void ProgramView::Reset() {
    longest_ = 0;
    measured_ = 0;
    current_ = 0;
    following_ = false;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

void ProgramView::ShowLines(const ProgramLines* lines, std::shared_ptr<const void> keepAlive) {
    lines_ = lines;
    keepAlive_ = std::move(keepAlive);
    own_.reset();
    Reset();
    UpdateScrollRanges();
    viewport()->update();
}

void ProgramView::ShowOwnLines(ProgramLines lines) {
    own_ = std::make_shared<ProgramLines>(std::move(lines));
    lines_ = own_.get();
    keepAlive_.reset();
    Reset();
    UpdateScrollRanges();
    viewport()->update();
}

void ProgramView::Clear() {
    lines_ = nullptr;
    keepAlive_.reset();
    own_.reset();
    Reset();
    UpdateScrollRanges();
    viewport()->update();
}

void ProgramView::LinesAppended() {
    UpdateScrollRanges();
    if (LineCount() > 0)
        ScrollToLine(LineCount() - 1);
    viewport()->update();
}

void ProgramView::FollowLine(std::size_t index) {
    current_ = index;
    following_ = true;
    ScrollToLine(index);
    viewport()->update();
}

QString ProgramView::LineText(std::size_t index) const {
    if (!lines_ || index >= lines_->size())
        return {};
    return Q(Cp932ToUtf8((*lines_)[index]));
}

std::size_t ProgramView::TopLine() const {
    return static_cast<std::size_t>(verticalScrollBar()->value());
}

int ProgramView::LineHeight() const {
    return QFontMetrics(font()).height();
}

int ProgramView::VisibleRows() const {
    return std::max(1, viewport()->height() / LineHeight());
}

void ProgramView::UpdateScrollRanges() {
    const std::size_t count = LineCount();
    // The longest line is measured once per line (a receive adds lines as it goes).
    if (lines_) {
        for (; measured_ < count; ++measured_)
            longest_ = std::max(longest_, (*lines_)[measured_].size());
    }
    const int rows = VisibleRows();
    const auto maxTop = count > static_cast<std::size_t>(rows) ? count - rows : 0;
    verticalScrollBar()->setRange(0, static_cast<int>(std::min<std::size_t>(maxTop, INT32_MAX)));
    verticalScrollBar()->setPageStep(rows);
    const int charWidth = QFontMetrics(font()).horizontalAdvance(QLatin1Char('0'));
    const auto width = static_cast<long long>(longest_) * charWidth + 2 * kLeftMargin;
    horizontalScrollBar()->setRange(
        0, static_cast<int>(std::clamp<long long>(width - viewport()->width(), 0, INT32_MAX)));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(charWidth);
}

void ProgramView::ScrollToLine(std::size_t index) {
    const auto top = TopLine();
    const auto rows = static_cast<std::size_t>(VisibleRows());
    if (index < top)
        verticalScrollBar()->setValue(static_cast<int>(index));
    else if (index >= top + rows)
        verticalScrollBar()->setValue(static_cast<int>(index - rows + 1));
}

void ProgramView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Qt::white);
    if (!lines_)
        return;
    const int height = LineHeight();
    const QFontMetrics metrics(font());
    const std::size_t top = TopLine();
    const std::size_t end = std::min(lines_->size(), top + VisibleRows() + 1);
    const int left = kLeftMargin - horizontalScrollBar()->value();
    for (std::size_t i = top; i < end; ++i) {
        const int y = static_cast<int>(i - top) * height;
        if (following_ && i == current_) {
            painter.fillRect(QRect(0, y, viewport()->width(), height), QColor(0, 0, 128));
            painter.setPen(Qt::white);
        } else {
            painter.setPen(Qt::black);
        }
        painter.drawText(left, y + metrics.ascent(), Q(Cp932ToUtf8((*lines_)[i])));
    }
}

void ProgramView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRanges();
}

void ProgramView::scrollContentsBy(int, int) {
    viewport()->update();
}

void ProgramView::keyPressEvent(QKeyEvent* event) {
    if (keyHandler_ && keyHandler_(event)) {
        event->accept();
        return;
    }
    QScrollBar* vertical = verticalScrollBar();
    switch (event->key()) {
        case Qt::Key_Up:
            vertical->setValue(vertical->value() - 1);
            break;
        case Qt::Key_Down:
            vertical->setValue(vertical->value() + 1);
            break;
        case Qt::Key_PageUp:
            vertical->setValue(vertical->value() - VisibleRows());
            break;
        case Qt::Key_PageDown:
            vertical->setValue(vertical->value() + VisibleRows());
            break;
        case Qt::Key_Home:
            vertical->setValue(0);
            break;
        case Qt::Key_End:
            vertical->setValue(vertical->maximum());
            break;
        case Qt::Key_Left:
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() -
                                            horizontalScrollBar()->singleStep());
            break;
        case Qt::Key_Right:
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() +
                                            horizontalScrollBar()->singleStep());
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    event->accept();
}

}  // namespace kelvantori

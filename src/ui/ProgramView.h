// RichEdit1: the text area of the file view, the send and the receive. A read-only view that
// paints only the visible lines of a program held elsewhere (the loaded program's byte lines),
// decoded as CP932 when painted, instead of a text document holding a second copy: a 100 MB
// program opens at once and costs about its own size in memory. A receive appends lines to the
// lines the view shows.
#pragma once

#include <QAbstractScrollArea>
#include <cstddef>
#include <functional>
#include <memory>

#include "core/ProgramText.h"

class QKeyEvent;

namespace kelvantori {

class ProgramView : public QAbstractScrollArea {
    Q_OBJECT

  public:
    explicit ProgramView(QWidget* parent);

    // Shows lines held by someone else; keepAlive (when given) keeps them alive while shown.
    // The caret goes to the start of the text.
    void ShowLines(const ProgramLines* lines, std::shared_ptr<const void> keepAlive = {});
    // Shows lines the view keeps itself (a file view, the log).
    void ShowOwnLines(ProgramLines lines);
    // Nothing shown.
    void Clear();
    // The lines shown grew at their end (a receive): the view follows the last line.
    void LinesAppended();
    // The line going out now (a send): scrolled into view and marked.
    void FollowLine(std::size_t index);

    std::size_t LineCount() const { return lines_ ? lines_->size() : 0; }
    // The text of a line as shown (decoded), for tests and copying.
    QString LineText(std::size_t index) const;
    // The first line painted at the top.
    std::size_t TopLine() const;
    std::size_t CurrentLine() const { return current_; }
    // What the view itself holds on the heap (its own lines, when it keeps them).
    std::size_t OwnMemoryBytes() const { return own_ ? own_->MemoryBytes() : 0; }

    // A key pressed in the text area goes here first; true when it was taken.
    void SetKeyHandler(std::function<bool(QKeyEvent*)> handler) {
        keyHandler_ = std::move(handler);
    }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    void Reset();
    void UpdateScrollRanges();
    int LineHeight() const;
    int VisibleRows() const;
    void ScrollToLine(std::size_t index);

    const ProgramLines* lines_ = nullptr;
    std::shared_ptr<const void> keepAlive_;
    std::shared_ptr<ProgramLines> own_;
    std::size_t longest_ = 0;   // bytes of the longest line, for the horizontal range
    std::size_t measured_ = 0;  // lines looked at for longest_
    std::size_t current_ = 0;
    bool following_ = false;
    std::function<bool(QKeyEvent*)> keyHandler_;
};

}  // namespace kelvantori

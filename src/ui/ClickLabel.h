// A label that stands in for keys: a press of the mouse on it is handed on with the position
// inside the label (Label39 "Esc :中止", Label14 " F1 :保存     F2 :戻る", ...).
#pragma once

#include <QLabel>
#include <QMouseEvent>
#include <functional>

namespace kelvantori {

class ClickLabel : public QLabel {
    Q_OBJECT

  public:
    using QLabel::QLabel;

    void SetPressHandler(std::function<void(QPoint)> handler) { onPress_ = std::move(handler); }

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (onPress_ && event->button() == Qt::LeftButton)
            onPress_(event->position().toPoint());
        QLabel::mousePressEvent(event);
    }

  private:
    std::function<void(QPoint)> onPress_;
};

}  // namespace kelvantori

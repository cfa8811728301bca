// The dialogs' shared behaviour.
#include "ui/DialogSupport.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "ui/Fonts.h"
#include "ui/QtText.h"

namespace kelvantori {

namespace {

class KeyFilter : public QObject {
  public:
    KeyFilter(QObject* parent, std::function<bool(QKeyEvent&)> filter)
        : QObject(parent), filter_(std::move(filter)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && filter_(*static_cast<QKeyEvent*>(event)))
            return true;
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<bool(QKeyEvent&)> filter_;
};

}  // namespace

CentredDialog::CentredDialog(QWidget* window) : QDialog(window) {
    setFont(GothicFont(12));
    setModal(true);
}

void CentredDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QRect main = parent->window()->frameGeometry();
    const QSize own = frameGeometry().size();
    move(main.left() + main.width() / 2 - own.width() / 2,
         main.top() + main.height() / 2 - own.height() / 2);
}

QLabel* MakeLabel(QWidget* parent, std::string_view name, std::string_view text, QRect geometry) {
    auto* label = new QLabel(Q(text), parent);
    label->setObjectName(Q(name));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    return label;
}

void FitLabelText(QLabel& label) {
    const QString text = label.text();
    const QFontMetrics metrics(label.font());
    if (metrics.horizontalAdvance(text) <= label.width())
        return;
    label.setToolTip(text);
    label.setText(metrics.elidedText(text, Qt::ElideMiddle, label.width()));
}

QPushButton* MakeButton(QWidget* parent, std::string_view name, std::string_view caption,
                        QRect geometry) {
    auto* button = new QPushButton(Q(caption), parent);
    button->setObjectName(Q(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

void FilterKeys(QWidget& widget, std::function<bool(QKeyEvent&)> filter) {
    widget.installEventFilter(new KeyFilter(&widget, std::move(filter)));
}

std::string TypedCharacter(const QKeyEvent& event) {
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return {};
    const QString text = event.text();
    if (text.isEmpty() || !text[0].isPrint())
        return {};
    return U(text);
}

void FillHistory(QComboBox& combo, const std::vector<std::string>& history) {
    const QString text = combo.currentText();
    combo.clear();
    for (const std::string& entry : history)
        combo.addItem(Q(entry));
    // Filling the list would make its first entry the text.
    combo.setCurrentIndex(-1);
    combo.setEditText(text);
}

void FillHistoryQuietly(QComboBox& combo, const std::vector<std::string>& history) {
    const QString text = combo.currentText();
    combo.blockSignals(true);
    combo.clear();
    for (const std::string& entry : history)
        combo.addItem(Q(entry));
    combo.setEditText(text);
    combo.blockSignals(false);
}

}  // namespace kelvantori

// A one-line edit with its label above it (the forms' labelled edits): the label is a control of
// its own (objectName: the edit's name + "Label"). The edit may take only the characters of a
// set and show what is typed in upper case; a key handler sees every key before the edit does,
// so a dialog moves between its fields with Enter and the arrow keys.
#pragma once

#include <QLineEdit>
#include <QValidator>
#include <functional>
#include <string_view>

class QKeyEvent;
class QLabel;

namespace kelvantori {

// Takes a text only when every character is in the set (an empty set takes everything),
// upper-casing it first when asked. A refused key or paste leaves the edit as it was.
class KeySetValidator : public QValidator {
    Q_OBJECT

  public:
    KeySetValidator(QString allowed, bool upperCase, QObject* parent)
        : QValidator(parent), allowed_(std::move(allowed)), upperCase_(upperCase) {}
    State validate(QString& input, int& position) const override;

  private:
    QString allowed_;
    bool upperCase_;
};

class LabeledEdit : public QLineEdit {
    Q_OBJECT

  public:
    // The label's text; allowed: the characters the edit takes ("" for all of them).
    LabeledEdit(const char* name, std::string_view label, QWidget* parent,
                std::string_view allowed = {}, bool upperCase = false);

    QLabel* EditLabel = nullptr;

    // The label at (left, top), the edit below it.
    void Place(int left, int top, int editWidth, int labelWidth = 360);

    // Sees every key first; true when it took the key.
    void SetKeyHandler(std::function<bool(QKeyEvent*)> handler) {
        keyHandler_ = std::move(handler);
    }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    std::function<bool(QKeyEvent*)> keyHandler_;
};

}  // namespace kelvantori

// Labelled edits and their key sets.
#include "ui/LabeledEdit.h"

#include <QKeyEvent>
#include <QLabel>

#include "ui/Fonts.h"
#include "ui/QtText.h"

namespace kelvantori {

namespace {

constexpr int kLabelHeight = 16;
constexpr int kEditHeight = 22;

}  // namespace

QValidator::State KeySetValidator::validate(QString& input, int&) const {
    if (upperCase_)
        input = input.toUpper();
    if (allowed_.isEmpty())
        return Acceptable;
    for (const QChar c : input) {
        if (!allowed_.contains(c))
            return Invalid;
    }
    return Acceptable;
}

LabeledEdit::LabeledEdit(const char* name, std::string_view label, QWidget* parent,
                         std::string_view allowed, bool upperCase)
    : QLineEdit(parent) {
    setObjectName(name);
    setFont(GothicFont(14));
    EditLabel = new QLabel(Q(label), parent);
    EditLabel->setObjectName(QString(name) + "Label");
    EditLabel->setFont(GothicFont(12));
    EditLabel->setBuddy(this);
    if (!allowed.empty() || upperCase) {
        // The set as typed, and in upper case too when the edit shows capitals: "yn" in the set
        // lets y be typed, and the validator then writes it as Y.
        QString keys = Q(allowed);
        if (upperCase)
            keys += keys.toUpper();
        setValidator(new KeySetValidator(keys, upperCase, this));
    }
}

void LabeledEdit::Place(int left, int top, int editWidth, int labelWidth) {
    EditLabel->setGeometry(left, top, labelWidth, kLabelHeight);
    setGeometry(left, top + kLabelHeight + 1, editWidth, kEditHeight);
}

void LabeledEdit::keyPressEvent(QKeyEvent* event) {
    if (keyHandler_ && keyHandler_(event))
        return;
    QLineEdit::keyPressEvent(event);
}

}  // namespace kelvantori

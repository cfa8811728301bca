// Completion in an editable combo box from the box's own list as the user types, for the line
// setting and the port of the settings panel and the names of the queue (the rule itself is
// core/ListCompletion.h).
#pragma once

#include "core/ListCompletion.h"

class QComboBox;
class QLineEdit;

namespace kelvantori {

// The box's text completed from its items, from where the caret stands in its edit.
CompletedText CompleteInBox(const QComboBox& box, Unmatched unmatched);

// The completed text in edit, the remainder after the caret selected so that typing on replaces
// it.
void ShowCompletion(QLineEdit& edit, const CompletedText& done);

}  // namespace kelvantori

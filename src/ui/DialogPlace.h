// Where a dialog of the main window stands: centred on the window it belongs to (its top is the
// window's top plus half the window's height minus half its own, its left likewise).
#pragma once

class QWidget;

namespace kelvantori {

// Moves dialog (sized already) to the centre of window's frame.
void CentreOnWindow(QWidget& dialog, const QWidget* window);

}  // namespace kelvantori

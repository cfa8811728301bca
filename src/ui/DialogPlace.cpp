// Centring dialogs on the main window.
#include "ui/DialogPlace.h"

#include <QWidget>

namespace kelvantori {

void CentreOnWindow(QWidget& dialog, const QWidget* window) {
    if (window == nullptr)
        return;
    const QRect frame = window->frameGeometry();
    dialog.move(frame.left() + frame.width() / 2 - dialog.width() / 2,
                frame.top() + frame.height() / 2 - dialog.height() / 2);
}

}  // namespace kelvantori

// Qt's own texts in Japanese: the file and folder pickers, the buttons of the standard boxes and
// the context menus of the input fields come from Qt and would otherwise be English in a program
// whose every other text is Japanese.
#pragma once

#include <QString>

class QCoreApplication;

namespace kelvantori {

// Loads Qt's Japanese translation (qtbase_ja.qm of Qt's translations folder, or of folder when
// given) into app. Returns the file it could not load, or an empty text when it is in place.
QString InstallQtTranslations(QCoreApplication& app, const QString& folder = {});

}  // namespace kelvantori

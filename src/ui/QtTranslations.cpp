// Qt's own texts in Japanese.
#include "ui/QtTranslations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kelvantori {

QString InstallQtTranslations(QCoreApplication& app, const QString& folder) {
    const QString from =
        folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    // The translator lives as long as the application: it answers every translate() call.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_", from)) {
        delete translator;
        return QDir(from).filePath("qtbase_ja.qm");
    }
    QCoreApplication::installTranslator(translator);
    return {};
}

}  // namespace kelvantori

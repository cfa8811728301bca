// The desktop services of a Qt session.
#include "ui/DesktopServices.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStyle>

#include "ui/QtText.h"

namespace kelvantori {

namespace {

QIcon ThemeIcon(const QString& name, QStyle::StandardPixmap fallback) {
    QIcon icon = QIcon::fromTheme(name);
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(fallback);
    return icon;
}

}  // namespace

std::optional<std::string> QtDesktopServices::BrowseFolder(QWidget* parent,
                                                           const std::string& title,
                                                           const std::string& startHostFolder) {
    const QString chosen = QFileDialog::getExistingDirectory(parent, Q(title), Q(startHostFolder),
                                                             QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return std::nullopt;
    return U(chosen);
}

DesktopFileKind QtDesktopServices::KindOf(const std::string& hostPath, bool folder) {
    DesktopFileKind kind;
    if (folder) {
        kind.icon = ThemeIcon("folder", QStyle::SP_DirIcon);
        return kind;
    }
    // By the name only: the kind of an NC file must not depend on what happens to be in it.
    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(Q(hostPath), QMimeDatabase::MatchExtension);
    if (type.isValid() && !type.isDefault()) {
        kind.typeName = U(type.comment());
        kind.icon = QIcon::fromTheme(type.iconName());
        if (kind.icon.isNull())
            kind.icon = QIcon::fromTheme(type.genericIconName());
    }
    if (kind.icon.isNull())
        kind.icon = ThemeIcon("text-x-generic", QStyle::SP_FileIcon);
    return kind;
}

QIcon QtDesktopServices::DriveIcon(DriveType type) {
    switch (type) {
        case DriveType::Removable:
            return ThemeIcon("drive-removable-media", QStyle::SP_DriveFDIcon);
        case DriveType::Fixed:
            return ThemeIcon("drive-harddisk", QStyle::SP_DriveHDIcon);
        case DriveType::Remote:
            return ThemeIcon("folder-remote", QStyle::SP_DriveNetIcon);
        case DriveType::CdRom:
            return ThemeIcon("drive-optical", QStyle::SP_DriveCDIcon);
        case DriveType::RamDisk:
            return ThemeIcon("media-flash", QStyle::SP_DriveHDIcon);
        default:
            return ThemeIcon("drive-harddisk", QStyle::SP_DriveHDIcon);
    }
}

}  // namespace kelvantori

// What the desktop gives the window where the program once called on its shell: the folder
// browser, the kind and icon of a file (MIME database and icon theme), the icons of drives.
// Behind an interface so that tests answer instead of a desktop.
#pragma once

#include <QIcon>
#include <optional>
#include <string>

#include "platform/DriveMap.h"

class QWidget;

namespace kelvantori {

struct DesktopFileKind {
    std::string typeName;  // the desktop's name of the type; empty when it knows none
    QIcon icon;
};

class DesktopServices {
  public:
    virtual ~DesktopServices() = default;
    // A folder browser titled title, starting at a host folder; the chosen host folder.
    virtual std::optional<std::string> BrowseFolder(QWidget* parent, const std::string& title,
                                                    const std::string& startHostFolder) = 0;
    // The type name and icon of a file or folder by its host path.
    virtual DesktopFileKind KindOf(const std::string& hostPath, bool folder) = 0;
    // The icon of a drive of a type in the drive menu.
    virtual QIcon DriveIcon(DriveType type) = 0;
};

// The desktop of this session: Qt's folder dialog, its MIME database and the icon theme (with
// the style's standard icons where the theme has none).
class QtDesktopServices : public DesktopServices {
  public:
    std::optional<std::string> BrowseFolder(QWidget* parent, const std::string& title,
                                            const std::string& startHostFolder) override;
    DesktopFileKind KindOf(const std::string& hostPath, bool folder) override;
    QIcon DriveIcon(DriveType type) override;
};

}  // namespace kelvantori

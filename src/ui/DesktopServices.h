// What the desktop gives the window where the program once called on its shell: the folder
// browser, the kind and icon of a file (MIME database and icon theme), the icons of drives, the
// file dialog for a program, and the applications the desktop associates with kinds of files.
// Behind an interface so that tests answer instead of a desktop.
#pragma once

#include <QIcon>
#include <optional>
#include <string>

#include "platform/DesktopApplications.h"
#include "platform/DriveMap.h"
#include "platform/ProcessLauncher.h"

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
    // A file dialog for a program, titled title, starting in a host folder ("": where the
    // system's programs are); the chosen host file.
    virtual std::optional<std::string> ChooseProgram(QWidget* parent, const std::string& title,
                                                     const std::string& startHostFolder) = 0;
    // The desktop's default application for plain text, made ready to open a host file: its
    // words, the program first as a host path. nullopt when there is none that can be started.
    virtual std::optional<DesktopCommand> PlainTextEditor(const std::string& hostFile) = 0;
    // Opens a host file with the application the desktop associates with its kind.
    virtual LaunchResult OpenWithAssociated(const std::string& hostFile) = 0;
};

// The desktop of this session: Qt's folder and file dialogs, its MIME database and the icon
// theme (with the style's standard icons where the theme has none); the applications of the
// freedesktop.org associations, started through the launcher.
class QtDesktopServices : public DesktopServices {
  public:
    explicit QtDesktopServices(ProcessLauncher& launcher) : launcher_(launcher) {}

    std::optional<std::string> BrowseFolder(QWidget* parent, const std::string& title,
                                            const std::string& startHostFolder) override;
    DesktopFileKind KindOf(const std::string& hostPath, bool folder) override;
    QIcon DriveIcon(DriveType type) override;
    std::optional<std::string> ChooseProgram(QWidget* parent, const std::string& title,
                                             const std::string& startHostFolder) override;
    std::optional<DesktopCommand> PlainTextEditor(const std::string& hostFile) override;
    LaunchResult OpenWithAssociated(const std::string& hostFile) override;

  private:
    // The first of the applications whose programs exist, its program as a host path.
    std::optional<DesktopCommand> FirstStartable(std::vector<DesktopCommand> commands);

    ProcessLauncher& launcher_;
};

}  // namespace kelvantori

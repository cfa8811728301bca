// The desktop services of a Qt session.
#include "ui/DesktopServices.h"

#include <algorithm>

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStyle>
#include <QUrl>

#include "ui/QtText.h"

namespace kelvantori {

namespace {

// Where the file dialog for a program starts when no folder is given.
constexpr const char* kProgramsFolder = "/usr/bin";

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

std::optional<std::string> QtDesktopServices::ChooseProgram(QWidget* parent,
                                                            const std::string& title,
                                                            const std::string& startHostFolder) {
    const QString start = startHostFolder.empty() ? QString(kProgramsFolder) : Q(startHostFolder);
    const QString chosen =
        QFileDialog::getOpenFileName(parent, Q(title), start, Q("すべて表示 (*)"));
    if (chosen.isEmpty())
        return std::nullopt;
    return U(chosen);
}

std::optional<DesktopCommand> QtDesktopServices::FirstStartable(
    std::vector<DesktopCommand> commands) {
    for (DesktopCommand& command : commands) {
        if (!command.tryExec.empty() && !launcher_.FindProgram(command.tryExec))
            continue;
        const auto program = launcher_.FindProgram(command.words.front());
        if (!program || !program->executable)
            continue;
        command.words.front() = program->path;
        return std::move(command);
    }
    return std::nullopt;
}

std::optional<DesktopCommand> QtDesktopServices::PlainTextEditor(const std::string& hostFile) {
    return FirstStartable(ApplicationsFor({"text/plain"}, hostFile, XdgFolders::FromEnvironment()));
}

LaunchResult QtDesktopServices::OpenWithAssociated(const std::string& hostFile) {
    // The kind by the name first, then by the contents: the desktop takes ".nc" for NetCDF
    // data, which an NC program is not, and then offers what opens plain text.
    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(Q(hostFile), QMimeDatabase::MatchExtension);
    const QMimeType content = database.mimeTypeForFile(Q(hostFile), QMimeDatabase::MatchContent);
    std::vector<std::string> types;
    for (const QMimeType& kind : {type, content}) {
        QStringList names{kind.name()};
        names += kind.allAncestors();
        for (const QString& name : names) {
            if (std::find(types.begin(), types.end(), U(name)) == types.end())
                types.push_back(U(name));
        }
    }
    if (auto command =
            FirstStartable(ApplicationsFor(types, hostFile, XdgFolders::FromEnvironment()))) {
        const std::vector<std::string> arguments(command->words.begin() + 1, command->words.end());
        return launcher_.Start(command->words.front(), arguments);
    }
    // Last, what the desktop itself does with a file (xdg-open or a portal), where there is one.
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(Q(hostFile))))
        return {true, {}};
    return {false, "この種類のファイル（" + U(type.comment()) + " " + U(type.name()) +
                       "）に関連付けられたアプリケーションがありません。"};
}

}  // namespace kelvantori

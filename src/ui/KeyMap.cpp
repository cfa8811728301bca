// The key table of the file list.
#include "ui/KeyMap.h"

#include <Qt>
#include <array>

namespace kelvantori {

namespace {

struct KeyBinding {
    int key;
    std::optional<Command> plain;
    std::optional<Command> shifted;
};

// clang-format off
constexpr std::array kKeyTable{
    KeyBinding{Qt::Key_Escape,   Command::Cancel,          Command::Cancel},
    KeyBinding{Qt::Key_Space,    Command::RefreshList,     Command::RefreshList},
    KeyBinding{Qt::Key_PageUp,   Command::PageUp,          Command::PageUp},
    KeyBinding{Qt::Key_PageDown, Command::PageDown,        Command::PageDown},
    KeyBinding{Qt::Key_End,      Command::ClearMarks,      Command::ClearMarks},
    KeyBinding{Qt::Key_Home,     Command::MarkFromCurrent, Command::MarkFromCurrent},
    KeyBinding{Qt::Key_F1,       Command::Send,            Command::SendAndClose},
    KeyBinding{Qt::Key_F2,       Command::Receive,         Command::ReceiveAndClose},
    KeyBinding{Qt::Key_F3,       Command::Delete,          Command::Move},
    KeyBinding{Qt::Key_F4,       Command::Copy,            Command::Join},
    KeyBinding{Qt::Key_F5,       Command::ChangeFolder,    Command::BrowseFolder},
    KeyBinding{Qt::Key_F6,       Command::ChangeExtension, std::nullopt},
    KeyBinding{Qt::Key_F7,       Command::CommSettings,    std::nullopt},
    KeyBinding{Qt::Key_F8,       Command::ViewFile,        Command::ViewLog},
    KeyBinding{Qt::Key_F9,       Command::MultiTransfer,   Command::Split},
    KeyBinding{Qt::Key_F10,      Command::CloseWindow,     Command::CloseWindow},
    KeyBinding{Qt::Key_B,        Command::Split,           Command::Split},
    KeyBinding{Qt::Key_C,        Command::Copy,            Command::Copy},
    KeyBinding{Qt::Key_D,        Command::Delete,          Command::Delete},
    KeyBinding{Qt::Key_E,        Command::EditFile,        Command::EditFile},
    KeyBinding{Qt::Key_F,        Command::Find,            Command::Find},
    KeyBinding{Qt::Key_G,        Command::EditorSetting,   Command::EditorSetting},
    KeyBinding{Qt::Key_H,        Command::DoubleAxis,      Command::DoubleAxis},
    KeyBinding{Qt::Key_I,        Command::FileInformation, Command::FileInformation},
    KeyBinding{Qt::Key_K,        Command::Join,            Command::Join},
    KeyBinding{Qt::Key_L,        Command::DriveMenu,       Command::DriveMenu},
    KeyBinding{Qt::Key_M,        Command::Move,            Command::Move},
    KeyBinding{Qt::Key_O,        Command::Options,         Command::Options},
    KeyBinding{Qt::Key_R,        Command::Rename,          Command::Rename},
    KeyBinding{Qt::Key_S,        Command::SortSetting,     Command::SortSetting},
    KeyBinding{Qt::Key_T,        Command::MoveToTop,       Command::MoveToTop},
    KeyBinding{Qt::Key_V,        Command::ViewFile,        Command::ViewFile},
    KeyBinding{Qt::Key_X,        Command::OpenAssociated,  Command::OpenAssociated},
    KeyBinding{Qt::Key_Y,        Command::ApplicationSetting, Command::ApplicationSetting},
    KeyBinding{Qt::Key_Z,        Command::MoveToBottom,    Command::MoveToBottom},
};
// clang-format on

}  // namespace

std::optional<Command> CommandOfKey(int key, bool shift) {
    for (const KeyBinding& binding : kKeyTable) {
        if (binding.key == key)
            return shift ? binding.shifted : binding.plain;
    }
    return std::nullopt;
}

bool MovesSelection(Command command) {
    switch (command) {
        case Command::PageUp:
        case Command::PageDown:
        case Command::ClearMarks:
        case Command::MarkFromCurrent:
        case Command::MoveToTop:
        case Command::MoveToBottom:
            return true;
        default:
            return false;
    }
}

std::string_view CommandName(Command command) {
    switch (command) {
        case Command::Cancel:
            return "Cancel";
        case Command::RefreshList:
            return "RefreshList";
        case Command::PageUp:
            return "PageUp";
        case Command::PageDown:
            return "PageDown";
        case Command::ClearMarks:
            return "ClearMarks";
        case Command::MarkFromCurrent:
            return "MarkFromCurrent";
        case Command::Send:
            return "Send";
        case Command::SendAndClose:
            return "SendAndClose";
        case Command::Receive:
            return "Receive";
        case Command::ReceiveAndClose:
            return "ReceiveAndClose";
        case Command::Delete:
            return "Delete";
        case Command::Move:
            return "Move";
        case Command::Copy:
            return "Copy";
        case Command::Join:
            return "Join";
        case Command::ChangeFolder:
            return "ChangeFolder";
        case Command::BrowseFolder:
            return "BrowseFolder";
        case Command::ChangeExtension:
            return "ChangeExtension";
        case Command::CommSettings:
            return "CommSettings";
        case Command::ViewFile:
            return "ViewFile";
        case Command::ViewLog:
            return "ViewLog";
        case Command::MultiTransfer:
            return "MultiTransfer";
        case Command::Split:
            return "Split";
        case Command::CloseWindow:
            return "CloseWindow";
        case Command::EditFile:
            return "EditFile";
        case Command::Find:
            return "Find";
        case Command::EditorSetting:
            return "EditorSetting";
        case Command::DoubleAxis:
            return "DoubleAxis";
        case Command::FileInformation:
            return "FileInformation";
        case Command::DriveMenu:
            return "DriveMenu";
        case Command::Options:
            return "Options";
        case Command::Rename:
            return "Rename";
        case Command::SortSetting:
            return "SortSetting";
        case Command::MoveToTop:
            return "MoveToTop";
        case Command::OpenAssociated:
            return "OpenAssociated";
        case Command::ApplicationSetting:
            return "ApplicationSetting";
        case Command::MoveToBottom:
            return "MoveToBottom";
    }
    return "?";
}

bool CommandRegistry::Run(Command command) const {
    const auto it = handlers_.find(command);
    if (it == handlers_.end())
        return false;
    it->second();
    return true;
}

}  // namespace kelvantori

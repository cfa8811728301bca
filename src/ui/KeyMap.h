// The main window's keys as data: one table maps a key of the file list, with or without Shift,
// to a named command. The dispatcher (TForm1::ListBox1KeyDown) runs the prologue, looks the key
// up here and runs the command registered under that name; the clickable labels press keys
// through the same path. An area of the window (list, files, transfers, tools) registers the
// commands it carries out; a key whose command nobody registered does nothing.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string_view>

namespace kelvantori {

enum class Command {
    Cancel,       // Esc
    RefreshList,  // Space
    PageUp,
    PageDown,
    ClearMarks,          // End
    MarkFromCurrent,     // Home
    Send,                // F1
    SendAndClose,        // Shift+F1
    Receive,             // F2
    ReceiveAndClose,     // Shift+F2
    Delete,              // F3, D
    Move,                // Shift+F3, M
    Copy,                // F4, C
    Join,                // Shift+F4, K
    ChangeFolder,        // F5
    BrowseFolder,        // Shift+F5
    ChangeExtension,     // F6
    CommSettings,        // F7
    ViewFile,            // F8, V
    ViewLog,             // Shift+F8
    MultiTransfer,       // F9
    Split,               // Shift+F9, B
    CloseWindow,         // F10
    EditFile,            // E
    Find,                // F
    EditorSetting,       // G
    DoubleAxis,          // H
    FileInformation,     // I
    DriveMenu,           // L
    Options,             // O
    Rename,              // R
    SortSetting,         // S
    MoveToTop,           // T
    OpenAssociated,      // X
    ApplicationSetting,  // Y
    MoveToBottom,        // Z
};

// The name of a command, for logs and test failures ("Delete").
std::string_view CommandName(Command command);

// The command of a key of the list (a Qt::Key value), with or without Shift; nullopt for a key
// that only runs the prologue.
std::optional<Command> CommandOfKey(int key, bool shift);

// Keys that move the selection are consumed by the dispatcher (the list box does not act on
// them again).
bool MovesSelection(Command command);

// The commands the window's areas carry out.
class CommandRegistry {
  public:
    using Handler = std::function<void()>;

    void Register(Command command, Handler handler) { handlers_[command] = std::move(handler); }
    bool Has(Command command) const { return handlers_.count(command) != 0; }
    // Runs the command; false when nobody registered it.
    bool Run(Command command) const;

  private:
    std::map<Command, Handler> handlers_;
};

}  // namespace kelvantori

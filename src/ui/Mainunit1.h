// TForm1, the main window: it owns the program's state (the settings, the command line's order,
// the file list, the command areas) and wires the controls to them. The logic lives in the areas
// and in the Qt-free classes below the window; TForm1 runs start-up and close, the key
// dispatcher, the return to the idle display and the folder watch.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/CommandLine.h"
#include "core/Settings.h"
#include "files/FileListModel.h"
#include "files/FolderWatcher.h"
#include "platform/HostEnvironment.h"
#include "platform/ProcessLauncher.h"
#include "ui/KeyMap.h"
#include "ui/MainContext.h"

class QKeyEvent;

namespace kelvantori {

class ApplicationCommands;
class DesktopServices;
class FileCommands;
class FolderCommands;
class InputLineCommands;
class ListCommands;
class MainView;
class OptionCommands;
class PowerControl;
class PromptService;
class ScreenSaverControl;
class ToolCommands;
class TransferCommands;
class ViewCommands;

// Everything TForm1 is given by main() (or a test).
struct MainDependencies {
    HostEnvironment& host;
    Clock& clock;
    PromptService& prompts;
    DesktopServices& desktop;
    PortFactory makePort;
    std::vector<std::string> arguments;
    // The folder watch: off in tests that do not look at it; its clock and delay.
    bool watchFolder = true;
    FolderWatcher::Options watchOptions;
    // Starts the editor and the external applications; nullptr: the system's.
    ProcessLauncher* launcher = nullptr;
    // The power-off after a transfer ordered with END, the screen saver kept off while a
    // transfer runs; none when not given (nothing is switched off).
    PowerControl* power = nullptr;
    ScreenSaverControl* screenSaver = nullptr;
};

// Places where later areas join start-up, idle and close.
struct WindowHooks {
    // At the first idle moment, after the list was read (the transfers ordered on the command
    // line).
    std::function<void()> firstIdle;
    // The window is asked to close; false keeps it open for now (a transfer is being stopped).
    std::function<bool()> closeRequested;
    // The idle display came back (Timer1).
    std::function<void()> idleRestored;
};

class TForm1 : public QMainWindow, public WindowActions {
    Q_OBJECT

  public:
    explicit TForm1(MainDependencies dependencies);
    ~TForm1() override;

    // --- the program's state, for the areas and for tests -----------------------------------
    Settings& settings() { return settings_; }
    CommandLineState& commandLine() { return commandLine_; }
    FileListModel& model() { return *model_; }
    MainView& view() { return *view_; }
    MainContext& context() { return *context_; }
    CommandRegistry& commands() { return commands_; }
    WindowHooks& hooks() { return hooks_; }
    InputLineCommands& inputLine() { return *inputLine_; }
    FileCommands& fileCommands() { return *files_; }
    TransferCommands& transfers() { return *transfers_; }
    FolderWatcher* folderWatcher() { return watcher_.get(); }

    // --- handlers named after the control and the event -------------------------------------
    // A key pressed in the list: the prologue, then the command of the key table. True when the
    // key was taken (the list itself moves only with the arrow keys).
    bool ListBox1KeyDown(QKeyEvent* event);
    void ListBox1KeyUp(QKeyEvent* event);
    // A key pressed and released by program (the clickable labels).
    void PressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Timer1: the idle display comes back.
    void Timer1Timer();
    // The first display's checks; called once, when the window is first shown.
    void FormShow();
    void FirstIdle();

    // --- WindowActions ------------------------------------------------------------------------
    void RefreshFileList(bool usePattern, bool keepSelection, bool resortOnly) override;
    void ListRebuilt(const RefreshOutcome& outcome) override;
    void StartTimer1(std::chrono::milliseconds interval) override;
    void CancelToIdle() override;
    void ReturnToIdle() override;
    void SetListEnabled(bool enabled) override;
    void RequestRefreshAtIdle() override { refreshAtIdle_ = true; }
    void FocusList() override;
    void CloseWindow() override { close(); }
    QWidget* Window() override { return this; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void LoadCommandLine();
    void ConnectList();
    void CheckDataFolder();
    void CheckPort();
    void FilesDropped(const std::vector<std::string>& hostPaths);
    void WatchRefresh();
    void Prologue(bool shift);

    HostEnvironment& host_;
    Clock& clock_;
    PromptService& prompts_;
    DesktopServices& desktop_;
    PortFactory makePort_;
    std::vector<std::string> arguments_;
    std::unique_ptr<ProcessLauncher> systemLauncher_;
    ProcessLauncher* launcher_ = nullptr;

    Settings settings_;
    CommandLineState commandLine_;
    std::unique_ptr<FileListModel> model_;
    MainView* view_ = nullptr;
    std::unique_ptr<MainContext> context_;
    CommandRegistry commands_;
    WindowHooks hooks_;

    std::unique_ptr<ListCommands> list_;
    std::unique_ptr<ViewCommands> viewer_;
    std::unique_ptr<InputLineCommands> inputLine_;
    std::unique_ptr<FolderCommands> folders_;
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<ToolCommands> tools_;
    std::unique_ptr<OptionCommands> options_;
    std::unique_ptr<ApplicationCommands> applications_;
    std::unique_ptr<TransferCommands> transfers_;

    bool watchFolder_ = true;
    FolderWatcher::Options watchOptions_;
    std::unique_ptr<FolderWatcher> watcher_;
    bool watchRefreshWaiting_ = false;

    bool shown_ = false;
    bool refreshAtIdle_ = false;
};

}  // namespace kelvantori

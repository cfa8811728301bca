// What every area of the main window works with: the program's records and services, the
// controls, and the few window-wide actions only TForm1 can carry out. The areas (list,
// folders, view, input line, files, transfers, tools) each get this context and register their
// commands; none of them holds TForm1 itself.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "core/Clock.h"
#include "core/CommandLine.h"
#include "core/Settings.h"
#include "files/FileListModel.h"
#include "platform/HostEnvironment.h"
#include "platform/SerialPort.h"

class QWidget;

namespace kelvantori {

class DesktopServices;
class MainView;
class PromptService;
class ScreenSaverControl;

using PortFactory = std::function<std::unique_ptr<SerialPort>(const HostConfig&)>;

// Window-wide actions, carried out by TForm1.
class WindowActions {
  public:
    virtual ~WindowActions() = default;
    // The list rebuilt (FileListModel::RefreshFileList), shown, and the folder watch told.
    virtual void RefreshFileList(bool usePattern, bool keepSelection, bool resortOnly) = 0;
    // The model rebuilt the list by itself (Enter on a folder): show it and tell the watch.
    virtual void ListRebuilt(const RefreshOutcome& outcome) = 0;
    // Timer1: the idle display comes back after the interval.
    virtual void StartTimer1(std::chrono::milliseconds interval) = 0;
    // Esc in any state: "操作中止!!" in red, Timer1 1000 ms, list enabled, Edit1 disabled.
    virtual void CancelToIdle() = 0;
    // The idle display at once (what Timer1 does when it fires).
    virtual void ReturnToIdle() = 0;
    virtual void SetListEnabled(bool enabled) = 0;
    // The next return to the idle display re-reads the list, keeping the selection (a receive
    // asks for it).
    virtual void RequestRefreshAtIdle() = 0;
    virtual void FocusList() = 0;
    virtual void CloseWindow() = 0;
    // The main window, as the parent of dialogs and message boxes.
    virtual QWidget* Window() = 0;
};

struct MainContext {
    Settings& settings;
    CommandLineState& commandLine;
    HostEnvironment& host;
    FileSystem& files;
    Clock& clock;
    PromptService& prompts;
    DesktopServices& desktop;
    PortFactory makePort;
    FileListModel& model;
    MainView& view;
    WindowActions& actions;
    // Long operations keep the screen saver off with a ScreenSaverInhibition on it.
    ScreenSaverControl* screenSaver = nullptr;
};

}  // namespace kelvantori

// A main window for one test: a temporary program folder with its Host.ini and settings, drives
// C: and D: on temporary folders (the trash in a third), the scripted port on a manual clock,
// scripted prompts and a scripted desktop. The test presses real keys into the window and reads
// what the user sees: the list lines, the labels and their colours, which panel shows, the
// prompts asked.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "platform/HostEnvironment.h"
#include "support/FakeDesktop.h"
#include "support/FakeSerialPort.h"
#include "support/FakeSession.h"
#include "support/RecordingLauncher.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "ui/Mainunit1.h"

class QWidget;

namespace kelvantori::test {

class UiRig {
  public:
    struct Options {
        std::vector<std::string> arguments;
        // [Setting] and [Options] lines of kelvantori.INI ("DirPath=D:"); DirPath defaults to D:.
        std::vector<std::string> settings;
        bool watchFolder = false;
        // [Ports] lines of Host.ini ("COM1=/dev/pts/7"). With realLine the window runs on the
        // real clock and opens the system's serial ports (a pseudo-terminal of
        // kelvantori-machine); otherwise on the scripted port and the manual clock.
        std::vector<std::string> ports;
        bool realLine = false;
    };

    UiRig();
    explicit UiRig(Options options);
    ~UiRig();

    // Builds the window (start-up: settings, command line, floppy check), shows it and runs
    // the first display and the first idle.
    void Start();

    TForm1& Form() { return *form_; }
    MainView& View();
    FileListModel& Model() { return form_->model(); }
    Settings& SettingsRecord() { return form_->settings(); }

    // A key pressed and released where the keyboard focus is (the list when nothing else has
    // it), as a user types it.
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void Type(const QString& text);
    // A key pressed and released where the focus is, delivered when the window next looks at
    // its events (in the middle of a transfer).
    void PostKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Runs an action once the window has written (read) that many bytes to (from) the scripted
    // port, counted over the rig's life: the moment to press a key during a transfer.
    void AtWrite(std::size_t bytes, std::function<void()> action);
    void AtRead(std::size_t bytes, std::function<void()> action);
    // Timer1 fires now (the idle display comes back).
    void FireTimer1();
    // Lets queued window events run.
    void Settle();

    // The list's lines as seen (without the blanks at their end).
    QStringList Lines();
    int Selected();
    // A control of the main window by its name.
    QWidget* Control(const char* name);
    QString Text(const char* name);
    QColor TextColour(const char* name);
    bool Visible(const char* name);
    QWidget* Focus();

    // A file below D: with its modification time (local time "YYYY-MM-DD HH:MM", Japan).
    void WriteFile(const std::string& name, const std::string& bytes,
                   const std::string& modified = "2026-12-01 10:00");
    // The modification time of a file or folder below D:.
    void SetTime(const std::string& name, const std::string& modified);

    // The folders behind C: and D:, the program folder.
    TempFolder& C() { return c_; }
    TempFolder& D() { return d_; }
    TempFolder& Home() { return home_; }
    std::string TrashFile(const std::string& relative) const {
        return trash_.File("Trash/" + relative);
    }

    ManualClock& Clock() { return clock_; }
    FakeSerialPort& Port() { return port_; }
    ScriptedPrompts& Prompts() { return prompts_; }
    FakeDesktop& Desktop() { return desktop_; }
    // The programs the window started (really started, through the system's launcher).
    RecordingLauncher& Launcher() { return launcher_; }
    FakePower& Power() { return power_; }
    FakeScreenSaver& ScreenSaver() { return screenSaver_; }
    // The transfer log of the program folder, as UTF-8 lines (without their line ends).
    QStringList LogLines();

  private:
    class ThreadSafeClock;
    class ForwardingPort;
    void Counted(bool written);

    Options options_;
    ScopedEnv zone_{"TZ", "JST-9"};
    TempFolder home_;
    TempFolder c_;
    TempFolder d_;
    TempFolder trash_;
    ScopedEnv trashHome_;
    ManualClock clock_;
    std::unique_ptr<ThreadSafeClock> watchClock_;
    FakeSerialPort port_{clock_};
    ScriptedPrompts prompts_;
    FakeDesktop desktop_;
    RecordingLauncher launcher_;
    FakePower power_;
    FakeScreenSaver screenSaver_;
    SteadyClock realClock_;
    std::size_t writes_ = 0;
    std::size_t reads_ = 0;
    std::multimap<std::size_t, std::function<void()>> atWrite_;
    std::multimap<std::size_t, std::function<void()>> atRead_;
    std::unique_ptr<HostEnvironment> host_;
    std::unique_ptr<TForm1> form_;
    bool started_ = false;

  public:
    // The clock of the folder watch (safe to read from its thread); Advance moves it on.
    void AdvanceWatchClock(std::chrono::nanoseconds duration);
};

// The settings lines, joined for kelvantori.INI.
std::string SettingsIni(const std::vector<std::string>& lines);

}  // namespace kelvantori::test

// A main window for the window benchmarks: the real TForm1 on the offscreen platform over a
// program folder whose D: is the benchmark's folder, with prompts that answer at once (Yes to a
// question, OK to a message; a dialog is run by the benchmark's step, or cancelled) and no
// folder watch, so that only the work measured runs.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "core/Clock.h"
#include "platform/HostEnvironment.h"
#include "ui/DesktopServices.h"
#include "ui/Fonts.h"
#include "ui/Mainunit1.h"
#include "ui/Prompts.h"

namespace kelvantori::bench {

class AnsweringPrompts : public PromptService {
  public:
    PromptButton Ask(const Prompt& prompt) override {
        for (const PromptButton b : prompt.buttons) {
            if (b == PromptButton::Yes || b == PromptButton::Ok)
                return b;
        }
        return EscapeButton(prompt);
    }
    int RunDialog(QDialog& dialog) override {
        return runDialog ? runDialog(dialog) : QDialog::Rejected;
    }
    QAction* RunMenu(QMenu&, const QPoint&) override { return nullptr; }

    // Runs the next dialogs (fills them in and presses their buttons); unset: cancelled.
    std::function<int(QDialog&)> runDialog;
};

class NoDesktop : public DesktopServices {
  public:
    std::optional<std::string> BrowseFolder(QWidget*, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
    DesktopFileKind KindOf(const std::string&, bool) override { return {}; }
    QIcon DriveIcon(DriveType) override { return QIcon(); }
    std::optional<std::string> ChooseProgram(QWidget*, const std::string&,
                                             const std::string&) override {
        return std::nullopt;
    }
    std::optional<DesktopCommand> PlainTextEditor(const std::string&) override {
        return std::nullopt;
    }
    LaunchResult OpenWithAssociated(const std::string&) override { return {false, "none"}; }
};

class WindowBench {
  public:
    // dataFolder: the host folder listed as D:.
    explicit WindowBench(const std::string& dataFolder, const std::string& settingsLines = "") {
        home_ = std::filesystem::temp_directory_path() / "kelvantori-window-bench-home";
        std::filesystem::create_directories(home_);
        std::ofstream(home_ / "Host.ini") << "[Drives]\nD=" << dataFolder << "\n";
        std::ofstream(home_ / "kelvantori.INI") << "[Setting]\r\nDirPath=D:\r\nALL-Files=N\r\n"
                                                << settingsLines;
        host_ = std::make_unique<HostEnvironment>(ProgramFolder(home_.string(), "kelvantori"));
        MainDependencies dependencies{
            *host_,
            clock_,
            prompts_,
            desktop_,
            [](const HostConfig&) -> std::unique_ptr<SerialPort> { return nullptr; },
            {},
            false,
            FolderWatcher::Options{}};
        form_ = std::make_unique<TForm1>(std::move(dependencies));
        form_->show();
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
    }
    ~WindowBench() {
        form_.reset();
        std::error_code ec;
        std::filesystem::remove_all(home_, ec);
    }

    TForm1& Form() { return *form_; }
    HostEnvironment& Host() { return *host_; }
    AnsweringPrompts& Prompts() { return prompts_; }

  private:
    std::filesystem::path home_;
    SteadyClock clock_;
    AnsweringPrompts prompts_;
    NoDesktop desktop_;
    std::unique_ptr<HostEnvironment> host_;
    std::unique_ptr<TForm1> form_;
};

// The application object of a window benchmark on the offscreen platform.
inline std::unique_ptr<QApplication> OffscreenApplication(int& argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    auto app = std::make_unique<QApplication>(argc, argv);
    InstallFontSubstitutions();
    return app;
}

}  // namespace kelvantori::bench

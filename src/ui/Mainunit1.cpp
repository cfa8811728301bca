// The main window: start-up, the key dispatcher, the idle display, the folder watch and close.
#include "ui/Mainunit1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "core/DrivePath.h"
#include "files/DriveList.h"
#include "files/FileOperations.h"
#include "platform/CommPort.h"
#include "ui/ApplicationCommands.h"
#include "ui/DesktopServices.h"
#include "ui/FileCommands.h"
#include "ui/FileListView.h"
#include "ui/FolderCommands.h"
#include "ui/InputLineCommands.h"
#include "ui/ListCommands.h"
#include "ui/MainView.h"
#include "ui/OptionCommands.h"
#include "ui/ProgramView.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"
#include "ui/SessionServices.h"
#include "ui/ToolCommands.h"
#include "ui/TransferCommands.h"
#include "ui/ViewCommands.h"

namespace kelvantori {

using namespace std::chrono_literals;

namespace {

bool IsModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_Meta || key == Qt::Key_AltGr;
}

NoPowerControl& NoPower() {
    static NoPowerControl none;
    return none;
}

NoScreenSaver& NoSaver() {
    static NoScreenSaver none;
    return none;
}

std::string PortUnusableMessage(const std::string& port) {
    return port + "のポートが使用不可です。\n通信設定をおこなってください。";
}

}  // namespace

TForm1::TForm1(MainDependencies dependencies)
    : host_(dependencies.host),
      clock_(dependencies.clock),
      prompts_(dependencies.prompts),
      desktop_(dependencies.desktop),
      makePort_(std::move(dependencies.makePort)),
      arguments_(std::move(dependencies.arguments)),
      launcher_(dependencies.launcher),
      watchFolder_(dependencies.watchFolder),
      watchOptions_(dependencies.watchOptions) {
    PowerControl& power = dependencies.power ? *dependencies.power : NoPower();
    ScreenSaverControl& screenSaver =
        dependencies.screenSaver ? *dependencies.screenSaver : NoSaver();
    setObjectName("Form1");
    if (launcher_ == nullptr) {
        systemLauncher_ = CreateSystemProcessLauncher();
        launcher_ = systemLauncher_.get();
    }
    setWindowTitle("Kelvantori");

    settings_ = host_.LoadSettings();
    move(settings_.Left, settings_.Top);

    model_ = std::make_unique<FileListModel>(host_.Files(), settings_);
    view_ = new MainView(*this, *model_);
    context_ = std::make_unique<MainContext>(MainContext{settings_, commandLine_, host_,
                                                         host_.Files(), clock_, prompts_, desktop_,
                                                         makePort_, *model_, *view_, *this});
    context_->screenSaver = &screenSaver;
    list_ = std::make_unique<ListCommands>(*context_);
    viewer_ = std::make_unique<ViewCommands>(*context_);
    inputLine_ = std::make_unique<InputLineCommands>(*context_);
    folders_ = std::make_unique<FolderCommands>(*context_, *inputLine_);
    files_ = std::make_unique<FileCommands>(*context_, *inputLine_);
    tools_ = std::make_unique<ToolCommands>(*context_);
    options_ = std::make_unique<OptionCommands>(*context_);
    applications_ = std::make_unique<ApplicationCommands>(*context_, *launcher_);
    transfers_ =
        std::make_unique<TransferCommands>(*context_, *inputLine_, *viewer_, power, screenSaver);
    list_->Register(commands_);
    list_->ConnectLabels();
    viewer_->Register(commands_);
    folders_->Register(commands_);
    files_->Register(commands_);
    tools_->Register(commands_);
    options_->Register(commands_);
    applications_->Register(commands_);
    transfers_->Register(commands_);
    hooks_.firstIdle = [this] { transfers_->FirstIdle(); };
    hooks_.closeRequested = [this] { return transfers_->CloseRequested(); };
    hooks_.idleRestored = [this] { transfers_->IdleRestored(); };
    commands_.Register(Command::CloseWindow, [this] { close(); });

    ConnectList();
    view_->Edit1->installEventFilter(this);
    view_->Edit7->installEventFilter(this);
    view_->RichEdit1->SetKeyHandler(
        [this](QKeyEvent* event) { return viewer_->TextAreaKey(event); });
    connect(view_->Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

    LoadCommandLine();
    settings_.DirPath = CheckFloppyAtStart(settings_.DirPath, folders_->Floppy());
}

TForm1::~TForm1() {
    if (watcher_)
        watcher_->Stop();
}

void TForm1::LoadCommandLine() {
    CommandLineEnvironment env = CommandLineFiles(host_.Files());
    env.AskYesNo = [this](const std::string& text) {
        return prompts_.AskYesNo(this, kConfirmTitle, text, PromptIcon::Warning,
                                 PromptPlace::Offset);
    };
    env.ShowError = [this](const std::string& text) {
        Prompt prompt;
        prompt.title = std::string(kConfirmTitle);
        prompt.text = text;
        prompt.icon = PromptIcon::Error;
        prompt.buttons = {PromptButton::Yes};
        prompt.place = PromptPlace::Offset;
        prompt.parent = this;
        prompts_.Ask(prompt);
    };
    ProcessCommandLine(arguments_, settings_, commandLine_, env);
}

void TForm1::ConnectList() {
    FileListView* list = view_->ListBox1;
    FileListView::Handlers handlers;
    handlers.keyDown = [this](QKeyEvent* event) { return ListBox1KeyDown(event); };
    handlers.keyUp = [this](QKeyEvent* event) { ListBox1KeyUp(event); };
    handlers.click = [this](int line) { list_->Click(line); };
    handlers.doubleClick = [this](int line) { list_->DoubleClick(line); };
    handlers.shiftClick = [this](int line) { list_->ShiftClick(line); };
    handlers.dragOver = [this](int start, int over) { return files_->DragOver(start, over); };
    handlers.drop = [this](int start, int over) { files_->Drop(start, over); };
    handlers.dragLeft = [this] { files_->DragLeft(); };
    handlers.acceptsFiles = [this] { return view_->ListBox1->isEnabled(); };
    handlers.filesDropped = [this](const std::vector<std::string>& paths) { FilesDropped(paths); };
    handlers.rowsChanged = [this](int rows) { model_->SetRowsPerColumn(rows); };
    list->SetHandlers(std::move(handlers));
    model_->SetRowsPerColumn(list->RowsPerColumn());
    model_->SetSearchingHandler([this] {
        // The folder is read at once after this: show the searching line and the busy cursor.
        view_->Label7->setText(Q(model_->HeaderLine()));
        view_->Label8->clear();
        view_->ListBox1->RepaintNow();
        view_->Label7->repaint();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    });
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    QTimer::singleShot(0, this, &TForm1::FormShow);
}

void TForm1::FormShow() {
    CheckDataFolder();
    CheckPort();
    view_->HideTextPanel();
    view_->GroupBox14->hide();
    view_->Edit1->setEnabled(false);
    view_->SetStatus(4, settings_.Speed);
    view_->SetStatus(5, settings_.Port);
    view_->SetStatus(6, settings_.Signal);
    view_->ShowLegend(false);
    if (settings_.ListColumn < 1 || settings_.ListColumn > 5)
        settings_.ListColumn = 5;
    view_->ApplyListColumns(settings_.ListColumn);
    model_->SetRowsPerColumn(view_->ListBox1->RowsPerColumn());
    if (watchFolder_) {
        watcher_ = std::make_unique<FolderWatcher>(
            host_.Files().Drives(),
            [this] { QMetaObject::invokeMethod(this, [this] { WatchRefresh(); }); }, watchOptions_);
        watcher_->SetDirPath(settings_.DirPath);
        watcher_->Start();
    }
    QTimer::singleShot(0, this, &TForm1::FirstIdle);
}

void TForm1::CheckDataFolder() {
    kelvantori::CheckDataFolder(
        host_.Files(), settings_,
        [this](const std::string& text) {
            return prompts_.AskYesNo(this, kConfirmTitle, text, PromptIcon::Warning);
        },
        [this](const std::string& text) {
            prompts_.Message(this, kConfirmTitle, text, PromptIcon::Error);
        });
}

void TForm1::CheckPort() {
    const std::string& port = settings_.Port;
    int n = 0;
    bool numbered = port.size() > 3;
    for (std::size_t i = 3; i < port.size() && numbered; ++i) {
        numbered = port[i] >= '0' && port[i] <= '9' && n < 1000;
        n = n * 10 + (port[i] - '0');
    }
    const std::unique_ptr<SerialPort> serial = makePort_ ? makePort_(host_.Config()) : nullptr;
    if (numbered && serial && PortUsable(*serial, n, settings_))
        return;
    prompts_.Message(this, kConfirmTitle, PortUnusableMessage(port), PromptIcon::Error);
}

void TForm1::FirstIdle() {
    RefreshFileList(false, false, false);
    FocusList();
    if (hooks_.firstIdle)
        hooks_.firstIdle();
}

void TForm1::RefreshFileList(bool usePattern, bool keepSelection, bool resortOnly) {
    const RefreshOutcome outcome = model_->RefreshFileList(usePattern, keepSelection, resortOnly);
    if (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    ListRebuilt(outcome);
}

void TForm1::ListRebuilt(const RefreshOutcome& outcome) {
    if (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    view_->ShowListTexts();
    if (watcher_) {
        watcher_->SetDirPath(settings_.DirPath);
        if (outcome.restartFolderWatch || !watcher_->Running())
            watcher_->Start();
    }
}

void TForm1::WatchRefresh() {
    // A refresh never pulls the list from under a command that is using it (an input, a dialog,
    // a transfer, a rename): it waits until the list is idle again.
    const bool listBusy = !view_->ListBox1->isEnabled() || QApplication::activeModalWidget() ||
                          QApplication::activePopupWidget() || model_->Busy();
    if (listBusy) {
        watchRefreshWaiting_ = true;
        QTimer::singleShot(250ms, this, [this] {
            if (watchRefreshWaiting_) {
                watchRefreshWaiting_ = false;
                WatchRefresh();
            }
        });
        return;
    }
    watchRefreshWaiting_ = false;
    RefreshFileList(false, true, false);
}

void TForm1::StartTimer1(std::chrono::milliseconds interval) {
    view_->Timer1->start(static_cast<int>(interval.count()));
}

void TForm1::CancelToIdle() {
    view_->ShowMessage(kCancelledMessage, ResultColour::Red);
    StartTimer1(1000ms);
    SetListEnabled(true);
    view_->Edit1->setEnabled(false);
    FocusList();
}

void TForm1::Timer1Timer() {
    ReturnToIdle();
}

void TForm1::ReturnToIdle() {
    view_->Timer1->stop();
    view_->SetStatus(3, "");
    view_->ShowLegend(false);
    view_->RichEdit1->Clear();
    view_->HideTextPanel();
    view_->ShowMessage("");
    SetListEnabled(true);
    view_->Edit1->setEnabled(false);
    FocusList();
    if (refreshAtIdle_) {
        refreshAtIdle_ = false;
        RefreshFileList(false, true, false);
    }
    if (hooks_.idleRestored)
        hooks_.idleRestored();
}

void TForm1::SetListEnabled(bool enabled) {
    view_->ListBox1->setEnabled(enabled);
}

void TForm1::FocusList() {
    if (view_->ListBox1->isEnabled())
        view_->ListBox1->setFocus();
}

void TForm1::Prologue(bool shift) {
    view_->Timer1->stop();
    view_->RichEdit1->Clear();
    view_->HideTextPanel();
    view_->ShowMessage("");
    view_->SetStatus(0, "");
    view_->SetStatus(2, "");
    view_->ShowLegend(shift);
}

bool TForm1::ListBox1KeyDown(QKeyEvent* event) {
    const int key = event->key();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (IsModifierKey(key)) {
        // Holding Shift shows the second meaning of the function keys; a modifier alone is no
        // command.
        if (key == Qt::Key_Shift)
            view_->ShowLegend(true);
        return true;
    }
    if (event->modifiers() & (Qt::AltModifier | Qt::ControlModifier))
        return false;
    Prologue(shift);
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        list_->Enter();
        return true;
    }
    if (const auto command = CommandOfKey(key, shift)) {
        commands_.Run(*command);
        return true;
    }
    // Arrow keys move the selection in the list itself; every other key only ran the prologue.
    return !(key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left ||
             key == Qt::Key_Right);
}

void TForm1::ListBox1KeyUp(QKeyEvent* event) {
    const bool shift =
        event->key() == Qt::Key_Shift
            ? false
            : static_cast<bool>(QApplication::keyboardModifiers() & Qt::ShiftModifier);
    view_->ShowLegend(shift);
}

void TForm1::PressKey(int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers);
    ListBox1KeyDown(&down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers);
    ListBox1KeyUp(&up);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == view_->Edit1)
            return inputLine_->KeyPressed(key);
        if (watched == view_->Edit7)
            return list_->SortBoxKey(key);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::FilesDropped(const std::vector<std::string>& hostPaths) {
    std::vector<std::string> dropped;
    for (const std::string& path : hostPaths) {
        if (const auto drive = host_.Files().Drives().ToDrive(path))
            dropped.push_back(*drive);
    }
    const ImportResult result = ImportDroppedFiles(host_.Files(), dropped, settings_.DirPath);
    RefreshFileList(false, true, false);
    view_->ShowMessage(result.message,
                       result.failures.empty() ? ResultColour::Lime : ResultColour::Red);
    StartTimer1(1000ms);
    SetListEnabled(true);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (hooks_.closeRequested && !hooks_.closeRequested()) {
        event->ignore();
        return;
    }
    if (commandLine_.CommandLineMode != "Y") {
        settings_.Left = x();
        settings_.Top = y();
        if (!host_.SaveSettings(settings_)) {
            prompts_.Message(this, kConfirmTitle,
                             "設定を保存出来ませんでした。\n" +
                                 host_.Folder().HostFile(host_.Folder().MainIniName()),
                             PromptIcon::Error);
        }
    }
    if (watcher_)
        watcher_->Stop();
    event->accept();
}

}  // namespace kelvantori

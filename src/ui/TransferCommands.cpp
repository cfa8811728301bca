// The transfer area of the main window.
#include "ui/TransferCommands.h"

#include "comm/RescueFile.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "comm/RemainingTime.h"
#include "comm/TransferOrder.h"
#include "core/DrivePath.h"
#include "files/FileOperations.h"
#include "files/InputLine.h"
#include "files/ProgramLoader.h"
#include "platform/LocalTime.h"
#include "ui/ClickLabel.h"
#include "ui/CommSettingsPanel.h"
#include "ui/InputLineCommands.h"
#include "ui/MainView.h"
#include "ui/ProgramView.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"
#include "ui/ReceiveRescue.h"
#include "ui/ViewCommands.h"
#include "ui/WindowTransferHost.h"

namespace kelvantori {

using namespace std::chrono_literals;

namespace {

// Where GroupBox2 stands while the queue sends or receives, beside the queue's panel.
constexpr QRect kTextPanelQueue(24, 96, 350, 328);
constexpr const char* kScreenSaverReason = "NCデータの送受信中";

// A port factory that makes nothing: the transfer ends as with a port that does not open.
class UnavailablePort : public SerialPort {
  public:
    PortError Open(const PortConfig&) override { return PortError::OpenFailed; }
    void Close() override {}
    bool IsOpen() const override { return false; }
    bool CanOpen(const std::string&) override { return false; }
    ReadResult Read(std::chrono::microseconds) override { return {ReadStatus::Failed, 0}; }
    WriteStatus Write(std::uint8_t) override { return WriteStatus::Failed; }
    bool WaitWritable(std::chrono::microseconds) override { return false; }
    int OutputQueueLength() override { return -1; }
    std::optional<ModemStatus> GetModemStatus() override { return std::nullopt; }
    std::string LastSystemError() const override { return {}; }
};

}  // namespace

// The command line's order: the send's panel with its program, then the receive's.
class TransferCommands::OrderSteps : public TransferOrderSteps {
  public:
    OrderSteps(TransferCommands& area, const TransferOrder& order) : a_(area), order_(order) {}

    void ProgramLoaded(const LoadedProgram& program) override { program_ = &program; }
    void Starting(TransferKind kind) override {
        MainView& v = a_.c_.view;
        if (kind == TransferKind::Send) {
            a_.ShowSendPanel(kTextPanelRight, *program_, nullptr);
            v.SetStatus(0, "送信名 " + DriveFileNameOf(order_.SendPath));
        } else {
            a_.ShowReceivePanel(kTextPanelReceive);
        }
        a_.host_->BeginTransfer(kind);
    }
    void Finished(TransferKind kind, TransferResult) override {
        a_.host_->EndTransfer();
        // The program goes away with the order's job.
        if (kind == TransferKind::Send)
            a_.c_.view.RichEdit1->Clear();
    }

  private:
    TransferCommands& a_;
    const TransferOrder& order_;
    const LoadedProgram* program_ = nullptr;
};

TransferCommands::TransferCommands(MainContext& context, InputLineCommands& input,
                                   ViewCommands& viewer, PowerControl& power,
                                   ScreenSaverControl& screenSaver)
    : QObject(nullptr),
      c_(context),
      input_(input),
      viewer_(viewer),
      power_(power),
      screenSaver_(screenSaver),
      controls_(TransferControls::Build(context.view)),
      host_(std::make_unique<WindowTransferHost>(context, controls_)),
      commSettings_(std::make_unique<CommSettingsPanel>(context)),
      queue_(std::make_unique<MultiTransferPanel>(context, *this)),
      log_(context.files, context.host.ProgramFilePath(context.host.Folder().LogName()), LocalNow) {
    host_->SetRescueHandler([this](const std::string& name, const std::string& bytes) {
        // On disk first, so that nothing is lost whatever happens to the window; then shown and
        // offered for saving under a name of the user's choice.
        const auto kept =
            WriteRescueFile(c_.files, RescueFolders(c_.host), LocalNow(), name, bytes);
        if (kept && closeWhenStopped_) {
            // The window is closing: the user is told where the data is, not asked for a name.
            c_.prompts.Message(c_.actions.Window(), kConfirmTitle,
                               RescueKeptMessage(c_.files.Drives().ToHost(*kept).value_or(*kept)),
                               PromptIcon::Information);
        } else {
            OfferReceivedData(c_, name, bytes, kept);
        }
        return kept.value_or(std::string());
    });
    input_.SetReceiveStarter([this](const NamedTarget& target) {
        StartReceive(ReceiveJob{ReceiveMode::Named, target.path, target.name, closeAfter_});
    });
    controls_.Edit9->installEventFilter(this);
    controls_.Label54->SetPressHandler(
        [this](QPoint at) { NamingChoice(controls_.ChoiceAt(at.y())); });
}

TransferCommands::~TransferCommands() = default;

void TransferCommands::Register(CommandRegistry& registry) {
    registry.Register(Command::Send, [this] { Send(false); });
    registry.Register(Command::SendAndClose, [this] { Send(true); });
    registry.Register(Command::Receive, [this] { Receive(false); });
    registry.Register(Command::ReceiveAndClose, [this] { Receive(true); });
    registry.Register(Command::CommSettings, [this] {
        if (!Running())
            commSettings_->Open();
    });
    registry.Register(Command::MultiTransfer, [this] {
        if (!Running())
            queue_->Open();
    });
    registry.Register(Command::ViewLog, [this] { ViewLog(); });
}

bool TransferCommands::Running() const {
    return host_->Running();
}

std::unique_ptr<SerialPort> TransferCommands::MakePort() {
    std::unique_ptr<SerialPort> port = c_.makePort ? c_.makePort(c_.host.Config()) : nullptr;
    return port ? std::move(port) : std::make_unique<UnavailablePort>();
}

LoadedProgram TransferCommands::LoadProgram(const std::string& drivePath) {
    return LoadFileIntoView(c_.files, drivePath, [this](const std::string& question) {
        return c_.prompts.AskYesNo(c_.actions.Window(), kConfirmTitle, question,
                                   PromptIcon::Warning, PromptPlace::Offset);
    });
}

void TransferCommands::ShowSendPanel(const QRect& place, const LoadedProgram& program,
                                     std::shared_ptr<const void> keepAlive) {
    MainView& v = c_.view;
    c_.actions.SetListEnabled(false);
    v.ShowTextPanel(kSendCaption, place, kNavy);
    v.RichEdit1->ShowLines(&program.text.lines, std::move(keepAlive));
    v.Label17->setText(Q(RemainingBytesText(static_cast<std::int64_t>(program.size))));
    v.Label17->show();
    v.SetStatus(3, kSendWaitingText);
    v.RichEdit1->setFocus();
}

void TransferCommands::ShowReceivePanel(const QRect& place) {
    MainView& v = c_.view;
    c_.actions.SetListEnabled(false);
    v.ShowMessage("");
    v.Edit1->clear();
    v.Edit1->setEnabled(false);
    v.ShowTextPanel(kReceiveCaption, place, kGreen);
    v.Label17->hide();
    host_->ShowReceivedLines();
    v.RichEdit1->setFocus();
}

// --- F1 -------------------------------------------------------------------------------------

void TransferCommands::Send(bool closeAfter) {
    if (Running())
        return;
    const int current = c_.model.Selected();
    if (!c_.model.IsFileLine(current))
        return;
    MainView& v = c_.view;
    auto job = std::make_shared<SendJob>();
    job->DirPath = c_.settings.DirPath;
    job->CloseAfterTransfer = closeAfter;
    QRect place = kTextPanelRight;
    if (c_.model.MarkCount() > 0) {
        place = kTextPanelWide;
        c_.model.CompactMarks();
        const std::vector<std::string> names = c_.model.CollectMarkedFiles();
        v.ShowListTexts();
        if (names.empty()) {
            v.ShowMessage(kNoFileMessage);
            c_.actions.SetListEnabled(true);
            c_.actions.FocusList();
            return;
        }
        job->TransferName = names.front();
        job->nextFiles.assign(names.begin() + 1, names.end());
        job->loadFile = [this](const std::string& name) { return std::move(*viewer_.Load(name)); };
        c_.model.SetMarkedSend(true);
    } else {
        job->TransferName = c_.model.EntryOf(current)->name;
        c_.model.SetMarkedSend(false);
        c_.model.ClearMarkTable();
    }
    c_.actions.SetListEnabled(false);
    v.ShowTextPanel(kSendCaption, place, kNavy);
    job->program = std::move(*viewer_.Load(job->TransferName));
    ShowSendPanel(place, job->program, job);
    // The engine starts once the key handler has returned.
    QTimer::singleShot(0, this, [this, job] { RunTransfers([this, &job] { RunSend(*job); }); });
}

// --- F2 -------------------------------------------------------------------------------------

void TransferCommands::Receive(bool closeAfter) {
    if (Running())
        return;
    closeAfter_ = closeAfter;
    c_.actions.SetListEnabled(false);
    controls_.GroupBox15->show();
    controls_.GroupBox15->raise();
    controls_.Edit9->clear();
    controls_.Edit9->setFocus();
}

bool TransferCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched != controls_.Edit9 || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
        case Qt::Key_Escape:
            NamingChoice(2);
            break;
        case Qt::Key_N:
            NamingChoice(1);
            break;
        case Qt::Key_Y:
            NamingChoice(0);
            break;
        default:
            break;
    }
    // Only the three choices act; nothing else is typed into the box.
    return true;
}

void TransferCommands::NamingChoice(int choice) {
    if (!controls_.GroupBox15->isVisible() || choice < 0)
        return;
    controls_.GroupBox15->hide();
    switch (choice) {
        case 0:
            // The name is typed into Edit1; its Enter starts the receive (the starter above).
            input_.Begin(InputMode::ReceiveName, "");
            break;
        case 1:
            StartReceive(ReceiveJob{ReceiveMode::PerProgram, "", "", closeAfter_});
            break;
        default:
            c_.view.Edit1->clear();
            c_.actions.CancelToIdle();
            break;
    }
}

void TransferCommands::StartReceive(ReceiveJob job) {
    if (Running())
        return;
    ShowReceivePanel(kTextPanelReceive);
    QTimer::singleShot(
        0, this, [this, job = std::move(job)] { RunTransfers([this, &job] { RunReceive(job); }); });
}

// --- Shift+F8 -------------------------------------------------------------------------------

void TransferCommands::ViewLog() {
    MainView& v = c_.view;
    const std::string path = c_.host.ProgramFilePath(c_.host.Folder().LogName());
    FsError error = log_.EnsureExists();
    std::optional<std::string> bytes;
    if (error == FsError::None) {
        bytes = c_.files.ReadAll(path);
        if (!bytes)
            error = FsError::Other;
    }
    if (!bytes) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle, FsErrorMessage(error) + "\n" + path,
                           PromptIcon::Error);
        return;
    }
    c_.actions.SetListEnabled(false);
    v.Label17->hide();
    v.ShowTextPanel(kLogViewCaption, kTextPanelRightHigh, kTeal);
    v.RichEdit1->ShowOwnLines(ProgramLines::FromBytes(std::move(*bytes)));
    v.SetStatus(3, kLogViewCaption);
    v.RichEdit1->setFocus();
}

// --- the runs -------------------------------------------------------------------------------

void TransferCommands::RunTransfers(const std::function<void()>& body) {
    host_->BeginRun();
    inhibition_.emplace(screenSaver_, kScreenSaverReason);
    body();
    inhibition_.reset();
    host_->EndRun();
    Finish();
}

TransferResult TransferCommands::RunSend(SendJob& job) {
    host_->BeginTransfer(TransferKind::Send);
    const std::unique_ptr<SerialPort> port = MakePort();
    SendEngine engine(*port, *host_, log_);
    const TransferResult result = engine.SendFile(c_.settings, job);
    host_->EndTransfer();
    // MarkCount and the mark table go back to nothing after every send.
    c_.model.ClearMarkTable();
    c_.model.SetMarkedSend(false);
    return result;
}

TransferResult TransferCommands::RunReceive(const ReceiveJob& job) {
    host_->BeginTransfer(TransferKind::Receive);
    const std::unique_ptr<SerialPort> port = MakePort();
    ReceiveEngine engine(*port, *host_, log_, c_.files);
    const TransferResult result = engine.ReceiveFile(c_.settings, job);
    host_->EndTransfer();
    return result;
}

void TransferCommands::Finish() {
    if (closeWhenStopped_) {
        closeWhenStopped_ = false;
        c_.actions.CloseWindow();
        return;
    }
    if (!host_->CloseRequested())
        return;
    const bool powerOff = host_->PowerOffRequested();
    host_->ClearCloseRequest();
    c_.actions.CloseWindow();
    if (!powerOff)
        return;
    const PowerOffResult result = power_.PowerOff();
    if (!result.requested) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle, PowerOffRefusedMessage(result),
                           PromptIcon::Error);
        // The refusal stood as a window of its own after the main window had closed, and Qt
        // keeps running while a window shows when the last one closes: without this the program
        // would go on with no window, and the next start would only find it.
        if (!c_.actions.Window()->isVisible())
            QCoreApplication::quit();
    }
}

// --- the command line -----------------------------------------------------------------------

void TransferCommands::FirstIdle() {
    CommandLineState& state = c_.commandLine;
    const TransferOrder order = MakeTransferOrder(state, false);
    // The order runs once.
    state.AutoSendPending = state.AutoReceivePending = "N";
    if (!order.Any())
        return;
    RunTransfers([this, &order] {
        const std::unique_ptr<SerialPort> port = MakePort();
        OrderSteps steps(*this, order);
        RunTransferOrder(
            order, c_.settings, *port, *host_, log_, c_.files,
            [this](const std::string& path) { return LoadProgram(path); }, &steps);
        c_.model.ClearMarkTable();
    });
}

bool TransferCommands::CloseRequested() {
    if (!Running())
        return true;
    // The transfer stops first (DC4, its log line); the window closes when the run is over.
    closeWhenStopped_ = true;
    host_->StopAll();
    return false;
}

void TransferCommands::IdleRestored() {
    controls_.ResetLamps();
}

// --- the queue --------------------------------------------------------------------------------

void TransferCommands::BeginQueue() {
    host_->BeginRun(true);
    inhibition_.emplace(screenSaver_, kScreenSaverReason);
}

void TransferCommands::EndQueue() {
    inhibition_.reset();
    host_->EndRun();
    if (closeWhenStopped_) {
        // After the panel has put itself away.
        closeWhenStopped_ = false;
        QTimer::singleShot(0, this, [this] { c_.actions.CloseWindow(); });
    }
}

bool TransferCommands::SendQueued(const QueueFile& file) {
    c_.view.RichEdit1->Clear();
    SendJob job;
    job.DirPath = c_.settings.DirPath;
    job.TransferName = file.name;
    job.program = LoadProgram(file.path);
    ShowSendPanel(kTextPanelQueue, job.program, nullptr);
    const TransferResult result = RunSend(job);
    // The view must not keep the lines of the job that ends here.
    c_.view.RichEdit1->Clear();
    return result == TransferResult::Completed;
}

bool TransferCommands::ReceiveQueued(const QueueFile& target) {
    ShowReceivePanel(kTextPanelQueue);
    c_.view.ShowMessage(std::string(kReceiveNamePrompt));
    return RunReceive(ReceiveJob{ReceiveMode::Named, target.path, target.name, false}) ==
           TransferResult::Completed;
}

void TransferCommands::WaitQueued(std::chrono::milliseconds duration) {
    host_->Wait(duration);
}

void TransferCommands::PumpQueued() {
    host_->Pump();
}

bool TransferCommands::QueueAbandoned() {
    return host_->StoppingAll();
}

}  // namespace kelvantori

// The window's transfer host.
#include "ui/WindowTransferHost.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <limits>

#include "files/FileOperations.h"
#include "ui/Autono.h"
#include "ui/MainContext.h"
#include "ui/MainView.h"
#include "ui/ProgramView.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"
#include "ui/TransferControls.h"

namespace kelvantori {

namespace {

bool IsCancelKey(const QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_F3 || key == Qt::Key_Escape;
}

}  // namespace

WindowTransferHost::WindowTransferHost(MainContext& context, TransferControls& controls)
    : QObject(nullptr), c_(context), controls_(controls), clock_(context.clock) {}

WindowTransferHost::~WindowTransferHost() {
    if (running_)
        qApp->removeEventFilter(this);
}

void WindowTransferHost::BeginRun(bool queueMode) {
    running_ = true;
    queueMode_ = queueMode;
    cancelPressed_ = false;
    stopAll_ = false;
    closeRequested_ = powerOff_ = false;
    lastPump_ = lastFlush_ = std::chrono::nanoseconds::min() / 2;
    qApp->installEventFilter(this);
}

void WindowTransferHost::EndRun() {
    Flush();
    qApp->removeEventFilter(this);
    running_ = false;
    queueMode_ = false;
    cancelPressed_ = false;
}

void WindowTransferHost::BeginTransfer(TransferKind kind) {
    kind_ = kind;
    remaining_.reset();
    progress_.reset();
    sendLine_.reset();
    // The idle display of a transfer before this one must not come back in the middle of this
    // one (a send and a receive ordered together).
    c_.view.Timer1->stop();
    c_.actions.SetListEnabled(false);
}

void WindowTransferHost::EndTransfer() {
    // The received lines stay on show until the idle display comes back.
    Flush();
}

void WindowTransferHost::StopAll() {
    stopAll_ = true;
    cancelPressed_ = true;
}

void WindowTransferHost::ShowReceivedLines() {
    received_.clear();
    receivedChanged_ = false;
    c_.view.RichEdit1->ShowLines(&received_);
}

void WindowTransferHost::Flush() {
    MainView& v = c_.view;
    if (remaining_) {
        v.Label17->setText(Q(*remaining_));
        v.Label17->show();
        remaining_.reset();
    }
    if (progress_) {
        const auto [position, maximum] = *progress_;
        // The bar counts in int; a file beyond its range is shown in proportion.
        const double scale = maximum > std::numeric_limits<int>::max()
                                 ? static_cast<double>(std::numeric_limits<int>::max()) /
                                       static_cast<double>(maximum)
                                 : 1.0;
        const int top = std::max(1, static_cast<int>(static_cast<double>(maximum) * scale));
        v.ProgressBar1->setRange(0, top);
        v.ProgressBar1->setValue(
            std::clamp(static_cast<int>(static_cast<double>(position) * scale), 0, top));
        progress_.reset();
    }
    if (sendLine_) {
        ProgramView* view = v.RichEdit1;
        view->FollowLine(*sendLine_);
        // The line going out stands second from the top, so the one sent before it shows too.
        const auto top = *sendLine_ > 0 ? *sendLine_ - 1 : 0;
        view->verticalScrollBar()->setValue(
            static_cast<int>(std::min<std::size_t>(top, std::numeric_limits<int>::max())));
        sendLine_.reset();
    }
    if (receivedChanged_) {
        v.RichEdit1->LinesAppended();
        receivedChanged_ = false;
    }
}

void WindowTransferHost::Pump() {
    lastPump_ = clock_.Now();
    // Painting is what costs: the display follows the engine at most kDisplayInterval apart,
    // while keys and timers are answered at every pump.
    if (lastPump_ - lastFlush_ >= kDisplayInterval) {
        lastFlush_ = lastPump_;
        Flush();
    }
    QCoreApplication::processEvents();
}

void WindowTransferHost::Wait(std::chrono::milliseconds duration) {
    const auto until = clock_.Now() + duration;
    for (;;) {
        Pump();
        // A press ends the wait and stays for the engine, which decides what it stops.
        if (cancelPressed_ || stopAll_)
            return;
        const auto now = clock_.Now();
        if (now >= until)
            return;
        clock_.SleepFor(std::min<std::chrono::nanoseconds>(until - now, kWaitSlice));
    }
}

bool WindowTransferHost::CancelRequested() {
    if (stopAll_)
        return true;
    if (!cancelPressed_)
        return false;
    cancelPressed_ = false;
    return true;
}

bool WindowTransferHost::eventFilter(QObject* watched, QEvent* event) {
    if (!running_ || !IsCancelKey(event))
        return QObject::eventFilter(watched, event);
    // A message box or dialog the transfer opened takes its own keys (Esc closes it).
    if (QApplication::activeModalWidget() != nullptr)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::KeyPress && !key->isAutoRepeat())
        cancelPressed_ = true;
    event->accept();
    return true;
}

bool WindowTransferHost::AskYesNo(const std::string& text) {
    Flush();
    return c_.prompts.AskYesNo(c_.actions.Window(), kConfirmTitle, text, PromptIcon::Warning,
                               PromptPlace::Offset);
}

void WindowTransferHost::ShowError(const std::string& text) {
    Flush();
    c_.prompts.Message(c_.actions.Window(), kConfirmTitle, text, PromptIcon::Error,
                       PromptPlace::Offset);
}

void WindowTransferHost::ShowNotice(const std::string& text) {
    c_.view.ShowMessage(text, ResultColour::Lime);
}

std::optional<std::string> WindowTransferHost::AskSelectNumber() {
    Flush();
    TAutoForm form(c_.actions.Window(), c_.prompts);
    if (c_.prompts.RunDialog(form) != QDialog::Accepted || form.SelectNumber.empty())
        return std::nullopt;
    return form.SelectNumber;
}

void WindowTransferHost::SetStatus(StatusPanel panel, const std::string& text) {
    c_.view.SetStatus(static_cast<int>(panel), text);
}

void WindowTransferHost::SetRemaining(const std::string& text) {
    remaining_ = text;
}

void WindowTransferHost::SetProgress(std::int64_t position, std::int64_t maximum) {
    progress_ = std::pair(position, maximum);
}

void WindowTransferHost::SetResult(const std::string& text, ResultColour colour) {
    c_.view.ShowMessage(text, colour);
}

void WindowTransferHost::SetLamps(const ModemStatus& status) {
    controls_.ShowLamps(status);
}

void WindowTransferHost::ShowProgram(const std::string& name,
                                     const std::shared_ptr<const LoadedProgram>& program) {
    (void)name;
    sendLine_.reset();
    c_.view.RichEdit1->ShowLines(&program->text.lines, program);
}

void WindowTransferHost::ShowSendLine(std::size_t index) {
    sendLine_ = index;
}

void WindowTransferHost::ShowReceivedLine(const std::string& bytes) {
    received_.push_back(bytes);
    receivedChanged_ = true;
}

void WindowTransferHost::ClearReceived() {
    // The lines went to the file: the view starts afresh.
    ShowReceivedLines();
}

void WindowTransferHost::TransferEnded(bool completed, std::chrono::milliseconds restoreAfter) {
    Flush();
    MainView& v = c_.view;
    v.ProgressBar1->setRange(0, 1);
    v.ProgressBar1->setValue(0);
    if (kind_ == TransferKind::Send) {
        v.RichEdit1->Clear();
        v.HideTextPanel();
    } else {
        // Programs saved before a stop are new files too.
        c_.actions.RequestRefreshAtIdle();
        if (completed)
            v.HideTextPanel();
    }
    if (queueMode_)
        return;
    c_.actions.StartTimer1(restoreAfter);
    c_.actions.SetListEnabled(true);
}

void WindowTransferHost::CloseAfterTransfer(bool powerOff) {
    closeRequested_ = true;
    powerOff_ = powerOff;
}

std::string WindowTransferHost::RescueReceivedData(const std::string& suggestedName,
                                                   const std::string& bytes) {
    Flush();
    return rescue_ ? rescue_(suggestedName, bytes) : std::string();
}

}  // namespace kelvantori

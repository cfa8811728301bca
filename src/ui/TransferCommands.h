// The transfer area of the main window: F1 and Shift+F1 send the current file or the marked
// files, F2 and Shift+F2 receive after the naming choice (GroupBox15), F7 opens the
// communication settings panel, F9 the multi-transfer queue, Shift+F8 shows the transfer log.
// It runs the transfers ordered on the command line at the first idle moment, closes the window
// (and asks for the power-off) after a transfer ordered so, and stops a transfer before the
// window closes. The engines run on the user-interface thread through WindowTransferHost.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "comm/ReceiveEngine.h"
#include "comm/SendEngine.h"
#include "comm/TransferLog.h"
#include "ui/KeyMap.h"
#include "ui/MainContext.h"
#include "ui/MultiTransferPanel.h"
#include "ui/SessionServices.h"
#include "ui/TransferControls.h"

class QKeyEvent;
class QRect;

namespace kelvantori {

class CommSettingsPanel;
class InputLineCommands;
class ViewCommands;
class WindowTransferHost;

inline constexpr const char* kSendCaption = "送信データ";
inline constexpr const char* kReceiveCaption = "受信データ";
inline constexpr const char* kSendWaitingText = "送信待機中（信号待ち)";
inline constexpr const char* kNoFileMessage = "ファイルを選択してください。!!";

class TransferCommands : public QObject, public QueueRunner {
    Q_OBJECT

  public:
    TransferCommands(MainContext& context, InputLineCommands& input, ViewCommands& viewer,
                     PowerControl& power, ScreenSaverControl& screenSaver);
    ~TransferCommands() override;

    void Register(CommandRegistry& registry);

    // The window's hooks: the command line's transfers at the first idle moment; a close
    // request (false while a transfer is being stopped for it); the idle display back.
    void FirstIdle();
    bool CloseRequested();
    void IdleRestored();

    bool Running() const;
    WindowTransferHost& Host() { return *host_; }
    TransferControls& Controls() { return controls_; }
    CommSettingsPanel& CommSettings() { return *commSettings_; }
    MultiTransferPanel& MultiTransfer() { return *queue_; }

    // --- QueueRunner ------------------------------------------------------------------------
    void BeginQueue() override;
    void EndQueue() override;
    bool SendQueued(const QueueFile& file) override;
    bool ReceiveQueued(const QueueFile& target) override;
    void WaitQueued(std::chrono::milliseconds duration) override;
    void PumpQueued() override;
    bool QueueAbandoned() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class OrderSteps;

    // F1, Shift+F1.
    void Send(bool closeAfter);
    // F2, Shift+F2: the naming choice; then Y (a typed name) or N (one file per program).
    void Receive(bool closeAfter);
    void NamingChoice(int choice);
    void StartReceive(ReceiveJob job);
    // Shift+F8.
    void ViewLog();

    // GroupBox2 for a send, with the program's lines; Label17 and panel 3 as it waits.
    void ShowSendPanel(const QRect& place, const LoadedProgram& program,
                       std::shared_ptr<const void> keepAlive);
    void ShowReceivePanel(const QRect& place);
    LoadedProgram LoadProgram(const std::string& drivePath);

    // A run of transfers: F3/Esc taken, the screen saver kept off; afterwards the close (and
    // power-off) a transfer asked for, or the close that stopped it.
    void RunTransfers(const std::function<void()>& body);
    TransferResult RunSend(SendJob& job);
    TransferResult RunReceive(const ReceiveJob& job);
    void Finish();
    std::unique_ptr<SerialPort> MakePort();

    MainContext& c_;
    InputLineCommands& input_;
    ViewCommands& viewer_;
    PowerControl& power_;
    ScreenSaverControl& screenSaver_;
    TransferControls controls_;
    std::unique_ptr<WindowTransferHost> host_;
    std::unique_ptr<CommSettingsPanel> commSettings_;
    std::unique_ptr<MultiTransferPanel> queue_;
    FileTransferLog log_;
    std::optional<ScreenSaverInhibition> inhibition_;
    bool closeAfter_ = false;        // Shift+F2: close after the receive
    bool closeWhenStopped_ = false;  // the window was closed during a transfer
};

}  // namespace kelvantori

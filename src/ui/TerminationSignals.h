// SIGTERM, SIGHUP and SIGQUIT for the window: the end of a session (a logout, a shutdown) asks
// the window to close as the user would, so a running transfer takes its stop path first (DC4 on
// the line, the log line, received data kept) and the settings are saved. The signal handler only
// writes a byte into a pipe; the window's event loop reads it and calls the handler.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace kelvantori {

class TerminationSignals : public QObject {
    Q_OBJECT

  public:
    // Installs the handlers for the object's lifetime; a signal ignored at start (nohup) stays
    // ignored. One object at a time.
    explicit TerminationSignals(std::function<void(int signalNumber)> onSignal);
    ~TerminationSignals() override;

  private:
    void Read();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
    bool installed_[3] = {};
};

}  // namespace kelvantori

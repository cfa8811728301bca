// GroupBox3 "送受信データ" (F9): the multi-transfer queue. Ten rows, each with its number, three
// radio buttons (send, receive, cancel), a name box and its result; OK (BitBtn1) runs the rows in
// order through the transfer area, the abort button (BitBtn2) closes the panel before the run.
// Marked files fill the first rows as sends. The rows and the run live in comm/TransferQueue.
#pragma once

#include <QObject>
#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "comm/TransferQueue.h"

class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class QRadioButton;

namespace kelvantori {

struct MainContext;

// What the queue asks of the transfer area.
class QueueRunner {
  public:
    virtual ~QueueRunner() = default;
    // Around the whole run: F3/Esc stop only the transfer under way, the display is the queue's.
    virtual void BeginQueue() = 0;
    virtual void EndQueue() = 0;
    // One row's transfer to its end; true when it completed.
    virtual bool SendQueued(const QueueFile& file) = 0;
    virtual bool ReceiveQueued(const QueueFile& target) = 0;
    // A pause of the queue, the window answering.
    virtual void WaitQueued(std::chrono::milliseconds duration) = 0;
    // Hands pending window events on now.
    virtual void PumpQueued() = 0;
    // The window is being closed: no further row runs.
    virtual bool QueueAbandoned() = 0;
};

class MultiTransferPanel : public QObject {
    Q_OBJECT

  public:
    MultiTransferPanel(MainContext& context, QueueRunner& runner);

    QGroupBox* GroupBox3 = nullptr;
    QLabel* Label19 = nullptr;                                // column heading
    std::array<QGroupBox*, kQueueRows> rowBoxes{};            // GroupBox4..GroupBox13
    std::array<QLabel*, kQueueRows> numbers{};                // Label20..Label29
    std::array<QRadioButton*, 3 * kQueueRows> RadioButton{};  // RadioButton1..30 at [0..29]
    std::array<QComboBox*, kQueueRows> ComboBox{};            // ComboBox1..10
    std::array<QLabel*, kQueueRows> results{};                // Label41..Label50
    QLabel* Label35 = nullptr;                                // progress line
    QPushButton* BitBtn1 = nullptr;                           // OK: run
    QPushButton* BitBtn2 = nullptr;                           // abort

    // F9 in the list.
    void Open();
    void Run();
    void Abort();

    const QueueRows& Rows() const { return rows_; }
    bool RunningQueue() const { return running_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class Steps;

    void Build();
    void ModeChosen(int row, RowMode mode);
    // The box of a send row: the files of the list, the text empty.
    void FillSendBox(int row);
    bool NameKey(int row, QKeyEvent* event);
    void NameEdited(int row);
    void NameChosen(int row, int index);
    void NameLeft(int row);
    void Close();

    MainContext& c_;
    QueueRunner& runner_;
    QueueRows rows_;
    bool running_ = false;
    // Per box: Backspace/Delete made the last change (no completion); an arrow key is held
    // (a choice from the list is not taken while the arrows move through it); the focus is
    // being sent back after a refusal.
    std::array<bool, kQueueRows> noCompletion_{};
    std::array<bool, kQueueRows> arrowHeld_{};
    bool refusing_ = false;
};

// "　１" .. "　９", "１０": the row numbers.
std::string QueueRowNumber(int row);

}  // namespace kelvantori

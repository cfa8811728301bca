// The file operations' host interfaces in the window: the overwrite question (Yes / Yes to all /
// No / No to all / Cancel), the failure report (Retry / Skip / Cancel), the delete confirmation
// and the completion and warning messages all go through the prompt service; the progress of a
// copy, move or delete appears in a dialog once the operation has lasted longer than a moment.
// The progress dialog is not modal: the operation runs on, letting window events through after
// every item, and Esc, F3 or the dialog's button stop it before the next item.
#pragma once

#include <QDialog>
#include <QObject>
#include <chrono>
#include <functional>
#include <string>

#include "core/Clock.h"
#include "files/FileOperations.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kelvantori {

class PromptService;

// How long an operation runs before its progress is shown.
inline constexpr std::chrono::milliseconds kProgressDelay{500};

inline constexpr std::string_view kCopyProgressCaption = "ﾌｧｲﾙｺﾋﾟｰ中";
inline constexpr std::string_view kMoveProgressCaption = "ﾌｧｲﾙ移動中";
inline constexpr std::string_view kDeleteProgressCaption = "ごみ箱に移動中";

class FileProgressDialog : public QDialog {
    Q_OBJECT

  public:
    FileProgressDialog(QWidget* window, const std::string& caption);

    // "2 / 5  D:\NC\O0002.NC", the bytes done of the whole set (none for a delete).
    void Show(const FileProgress& progress);

    QLabel* Label1 = nullptr;  // item i of n and its name
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label2 = nullptr;        // bytes
    QPushButton* Button1 = nullptr;  // 中止(Esc)
};

// One operation's progress: the dialog (made when the moment has passed), the stop asked by
// Esc or F3 anywhere in the program (but in a prompt, where Esc answers the prompt) or by the
// dialog's button.
class OperationProgress : public QObject {
    Q_OBJECT

  public:
    OperationProgress(QWidget* window, Clock& clock, std::string caption);
    ~OperationProgress() override;

    // Before each item and once at the end: shows the progress when the operation has lasted
    // kProgressDelay (and closes it at the end), lets pending window events run, and returns
    // false once a stop was asked.
    bool Update(const FileProgress& progress);

    // The dialog while it is shown, else nullptr.
    FileProgressDialog* Dialog() const { return dialog_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* window_;
    Clock& clock_;
    std::string caption_;
    std::chrono::nanoseconds start_;
    FileProgressDialog* dialog_ = nullptr;
    bool stop_ = false;
};

class WindowCopyMoveHost : public CopyMoveHost {
  public:
    // refreshList reads the list again as the operation asks.
    WindowCopyMoveHost(PromptService& prompts, QWidget* window, OperationProgress& progress,
                       std::function<void(ListRefresh)> refreshList)
        : prompts_(prompts),
          window_(window),
          progress_(progress),
          refreshList_(std::move(refreshList)) {}

    OverwriteAnswer AskOverwrite(const OverwriteQuestion& question) override;
    FailureAnswer ReportFailure(const ItemFailure& failure) override;
    bool Progress(const FileProgress& progress) override { return progress_.Update(progress); }
    void ShowMessage(std::string_view title, std::string_view text, bool warning) override;
    void ListChanged(ListRefresh refresh) override { refreshList_(refresh); }

  private:
    PromptService& prompts_;
    QWidget* window_;
    OperationProgress& progress_;
    std::function<void(ListRefresh)> refreshList_;
};

class WindowDeleteHost : public DeleteHost {
  public:
    WindowDeleteHost(PromptService& prompts, QWidget* window, OperationProgress& progress)
        : prompts_(prompts), window_(window), progress_(progress) {}

    bool Confirm(std::string_view text) override;
    void ReportFailure(const ItemFailure& failure) override;
    bool Progress(const FileProgress& progress) override { return progress_.Update(progress); }

  private:
    PromptService& prompts_;
    QWidget* window_;
    OperationProgress& progress_;
};

}  // namespace kelvantori

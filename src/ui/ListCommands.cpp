// Moving through the list, marking, and the sort setting.
#include "ui/ListCommands.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <array>
#include <string_view>

#include "files/FileOperations.h"
#include "ui/ClickLabel.h"
#include "ui/FileListView.h"
#include "ui/MainView.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

namespace kelvantori {

using namespace std::chrono_literals;

void ListCommands::ConnectLabels() {
    c_.view.Label39->SetPressHandler([this](QPoint) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        SortBoxKey(&escape);
    });
}

void ListCommands::Register(CommandRegistry& registry) {
    registry.Register(Command::Cancel, [this] { Cancel(); });
    registry.Register(Command::RefreshList, [this] { RefreshList(); });
    registry.Register(Command::PageUp, [this] { PageUp(); });
    registry.Register(Command::PageDown, [this] { PageDown(); });
    registry.Register(Command::ClearMarks, [this] { ClearMarks(); });
    registry.Register(Command::MarkFromCurrent, [this] { MarkFromCurrent(); });
    registry.Register(Command::MoveToTop, [this] { MoveToTop(); });
    registry.Register(Command::MoveToBottom, [this] { MoveToBottom(); });
    registry.Register(Command::SortSetting, [this] { SortSetting(); });
}

void ListCommands::Shown() {
    c_.view.ShowListTexts();
}

void ListCommands::Cancel() {
    c_.actions.CancelToIdle();
}

void ListCommands::RefreshList() {
    c_.actions.RefreshFileList(false, true, false);
    c_.actions.StartTimer1(1000ms);
}

void ListCommands::PageUp() {
    c_.model.PageUp();
    Shown();
}

void ListCommands::PageDown() {
    // The model first names the line that scrolls the next page into view, then selects.
    const int scrollTo = c_.model.PageDown();
    if (scrollTo >= 0)
        c_.view.ListBox1->EnsureVisible(scrollTo);
    Shown();
}

void ListCommands::ClearMarks() {
    c_.model.ClearMarks();
    Shown();
}

void ListCommands::MarkFromCurrent() {
    c_.model.MarkFromCurrent();
    Shown();
}

void ListCommands::MoveToTop() {
    c_.model.MoveToTop();
    Shown();
}

void ListCommands::MoveToBottom() {
    c_.model.MoveToBottom();
    Shown();
}

void ListCommands::Enter() {
    const EnterOutcome outcome = c_.model.Enter();
    if (outcome.action == EnterAction::FolderChanged)
        c_.actions.ListRebuilt(outcome.refresh);
    else
        Shown();
}

void ListCommands::Click(int line) {
    c_.model.Click(line);
    Shown();
}

void ListCommands::DoubleClick(int line) {
    c_.model.Select(line);
    Enter();
}

void ListCommands::ShiftClick(int line) {
    c_.model.ShiftClick(line);
    Shown();
}

void ListCommands::SortSetting() {
    MainView& v = c_.view;
    c_.actions.SetListEnabled(false);
    v.Label38->setText(Q("現ソート設定: " + c_.settings.FileSort + " - " + c_.settings.SortMuki));
    v.Edit7->setText(Q(c_.settings.FileSort + "-" + c_.settings.SortMuki));
    v.GroupBox14->show();
    v.GroupBox14->raise();
    v.Edit7->setFocus();
}

void ListCommands::CloseSortBox() {
    c_.view.GroupBox14->hide();
    c_.actions.SetListEnabled(true);
}

void ListCommands::ApplySortSetting() {
    static constexpr std::array<std::string_view, 6> kSettings{"N-D", "N-U", "S-D",
                                                               "S-U", "T-D", "T-U"};
    const std::string text = U(c_.view.Edit7->text().toUpper());
    bool known = false;
    for (const auto setting : kSettings)
        known = known || text == setting;
    if (!known) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle, kSortRefusedMessage,
                           PromptIcon::Warning);
        c_.view.Edit7->setFocus();
        return;
    }
    c_.settings.FileSort = text.substr(0, 1);
    c_.settings.SortMuki = text.substr(2, 1);
    c_.actions.RefreshFileList(false, true, true);
    CloseSortBox();
    c_.actions.FocusList();
    c_.view.SetStatus(4, c_.settings.Speed);
    c_.view.SetStatus(5, c_.settings.Port);
    c_.view.SetStatus(6, c_.settings.Signal);
}

bool ListCommands::SortBoxKey(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!c_.view.Edit7->text().isEmpty())
                ApplySortSetting();
            return true;
        case Qt::Key_Escape:
            c_.view.Edit7->clear();
            CloseSortBox();
            c_.actions.CancelToIdle();
            return true;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
            return false;
        default:
            break;
    }
    const QString typed = event->text();
    if (typed.isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    // Only the sort letters and "-" are taken, shown in capitals.
    if (typed.size() == 1 && QString::fromLatin1(kSortCharacters).contains(typed[0]))
        c_.view.Edit7->insert(typed.toUpper());
    return true;
}

}  // namespace kelvantori

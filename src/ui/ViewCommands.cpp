// The file view and the closing keys of the text area.
#include "ui/ViewCommands.h"

#include <QKeyEvent>
#include <QLabel>

#include "core/DrivePath.h"
#include "files/FileOperations.h"
#include "files/ProgramLoader.h"
#include "files/SizeText.h"
#include "ui/MainView.h"
#include "ui/ProgramView.h"
#include "ui/Prompts.h"

namespace kelvantori {

using namespace std::chrono_literals;

void ViewCommands::Register(CommandRegistry& registry) {
    registry.Register(Command::ViewFile, [this] { ViewFile(); });
}

std::shared_ptr<LoadedProgram> ViewCommands::Load(const std::string& name) {
    const std::string path = JoinDrivePath(c_.settings.DirPath, name);
    auto loaded = std::make_shared<LoadedProgram>(
        LoadFileIntoView(c_.files, path, [this](const std::string& question) {
            return c_.prompts.AskYesNo(c_.actions.Window(), kConfirmTitle, question,
                                       PromptIcon::Warning, PromptPlace::Offset);
        }));
    return loaded;
}

void ViewCommands::ViewFile() {
    const int current = c_.model.Selected();
    if (!c_.model.IsFileLine(current))
        return;
    MainView& v = c_.view;
    c_.actions.SetListEnabled(false);
    v.ShowTextPanel(kFileViewCaption, kTextPanelRightHigh, kTeal);
    const ListEntry* entry = c_.model.EntryOf(current);
    const auto loaded = Load(entry->name);
    v.RichEdit1->ShowLines(&loaded->text.lines, loaded);
    v.SetStatus(2, "ｻｲｽﾞ : " + FormatFileSize(loaded->size));
    v.Label17->hide();
    v.SetStatus(3, kFileViewCaption);
    v.RichEdit1->setFocus();
}

bool ViewCommands::TextAreaKey(QKeyEvent* event) {
    if (event->key() != Qt::Key_F3 && event->key() != Qt::Key_Escape)
        return false;
    const std::string caption = c_.view.TextPanelCaption();
    if (caption != kLogViewCaption && caption != kFileViewCaption)
        return false;
    c_.view.RichEdit1->Clear();
    c_.view.HideTextPanel();
    c_.view.ShowMessage(kCancelledMessage, ResultColour::Red);
    c_.actions.StartTimer1(1000ms);
    c_.actions.SetListEnabled(true);
    c_.view.SetStatus(2, "");
    c_.actions.FocusList();
    return true;
}

}  // namespace kelvantori

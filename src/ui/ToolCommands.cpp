// The split, join and double commands.
#include "ui/ToolCommands.h"

#include "core/DoubleAxis.h"
#include "core/DrivePath.h"
#include "core/HistoryList.h"
#include "core/JoinFiles.h"
#include "files/DialogFiles.h"
#include "files/FileOperations.h"
#include "files/ProgramLoader.h"
#include "ui/Bai2.h"
#include "ui/Divides.h"
#include "ui/MainView.h"
#include "ui/Plus.h"
#include "ui/ProgramView.h"
#include "ui/Prompts.h"

namespace kelvantori {

void ToolCommands::Register(CommandRegistry& registry) {
    registry.Register(Command::Split, [this] { Split(); });
    registry.Register(Command::Join, [this] { Join(); });
    registry.Register(Command::DoubleAxis, [this] { DoubleAxis(); });
}

std::string ToolCommands::CurrentFileName() {
    const int current = c_.model.Selected();
    if (current < 0) {
        c_.view.ShowMessage(std::string(kSelectFileMessage));
        return {};
    }
    if (!c_.model.IsFileLine(current))
        return {};
    return c_.model.EntryOf(current)->name;
}

std::shared_ptr<LoadedProgram> ToolCommands::LoadForTool(const std::string& path) {
    bool declined = false;
    auto loaded = std::make_shared<LoadedProgram>(
        LoadFileIntoView(c_.files, path, [&](const std::string& question) {
            const bool yes = c_.prompts.AskYesNo(c_.actions.Window(), kConfirmTitle, question,
                                                 PromptIcon::Warning, PromptPlace::Offset);
            declined = !yes;
            return yes;
        }));
    if (!loaded->readable) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle,
                           "ファイルを読み込めませんでした。\n" + path, PromptIcon::Error);
        return nullptr;
    }
    // The user would not have the file read as text: there is nothing to work on.
    if (declined)
        return nullptr;
    c_.view.RichEdit1->ShowLines(&loaded->text.lines, loaded);
    return loaded;
}

std::optional<ToolCommands::ToolInput> ToolCommands::LoadCurrentFile() {
    ToolInput input;
    input.name = CurrentFileName();
    if (input.name.empty())
        return std::nullopt;
    input.path = JoinDrivePath(c_.settings.DirPath, input.name);
    input.loaded = LoadForTool(input.path);
    if (!input.loaded)
        return std::nullopt;
    return input;
}

void ToolCommands::DialogClosed() {
    c_.view.ShowLegend(false);
    c_.actions.FocusList();
}

void ToolCommands::Split() {
    const auto input = LoadCurrentFile();
    if (!input)
        return;
    const std::string optionsFile = c_.host.ProgramFilePath(kDivSubIniName);
    const std::string historyFile = c_.host.ProgramFilePath(kFolderHistoryName);
    DividesJob job;
    job.input = input->path;
    job.text = &input->loaded->text;
    job.dirPath = c_.settings.DirPath;
    job.mask = c_.settings.Mask;
    job.options = LoadSplitOptions(c_.files, optionsFile);
    job.history = LoadHistoryFile(c_.files, historyFile);
    job.refreshList = [this] { c_.actions.RefreshFileList(false, true, false); };
    TDividesForm form(c_.actions.Window(), c_.files, c_.prompts, c_.desktop, std::move(job));
    form.SetScreenSaver(c_.screenSaver);
    c_.prompts.RunDialog(form);
    SaveSplitOptions(c_.files, optionsFile, form.Options());
    SaveHistoryFile(c_.files, historyFile, form.History());
    DialogClosed();
}

void ToolCommands::Join() {
    if (c_.model.MarkCount() == 0)
        return;
    c_.model.CompactMarks();
    std::vector<std::string> names = c_.model.CollectMarkedFiles();
    c_.model.ClearMarkTable();
    c_.view.ShowListTexts();
    if (names.size() < 2) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle, kJoinNeedsTwoFilesMessage,
                           PromptIcon::Error);
        return;
    }
    const std::string historyFile = c_.host.ProgramFilePath(kNameHistoryName);
    PlusJob job;
    job.dirPath = c_.settings.DirPath;
    job.names = std::move(names);
    job.mask = c_.settings.Mask;
    job.history = LoadHistoryFile(c_.files, historyFile);
    job.refreshList = [this] { c_.actions.RefreshFileList(false, false, false); };
    TPlusForm form(c_.actions.Window(), c_.files, c_.prompts, std::move(job));
    form.SetScreenSaver(c_.screenSaver);
    c_.prompts.RunDialog(form);
    SaveHistoryFile(c_.files, historyFile, form.History());
    DialogClosed();
}

void ToolCommands::DoubleAxis() {
    const auto input = LoadCurrentFile();
    if (!input)
        return;
    Bai2Job job;
    job.input = input->path;
    job.text = &input->loaded->text;
    job.outputName = DoubleTargetName(input->name, c_.settings.Mask);
    job.refreshList = [this] { c_.actions.RefreshFileList(false, true, false); };
    TBai2Form form(c_.actions.Window(), c_.files, c_.prompts, std::move(job));
    form.SetScreenSaver(c_.screenSaver);
    c_.prompts.RunDialog(form);
    DialogClosed();
}

}  // namespace kelvantori

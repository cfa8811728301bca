// The file commands of the list.
#include "ui/FileCommands.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTimer>
#include <optional>

#include "core/DrivePath.h"
#include "core/HistoryList.h"
#include "files/FileInfo.h"
#include "files/HistoryFile.h"
#include "ui/DesktopServices.h"
#include "ui/FileListView.h"
#include "ui/FileOperationHosts.h"
#include "ui/Fileinfo.h"
#include "ui/Find.h"
#include "ui/InputLineCommands.h"
#include "ui/MainView.h"
#include "ui/Pluscopy.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"
#include "ui/Rname.h"
#include "ui/Rnamea.h"
#include "ui/SessionServices.h"

namespace kelvantori {

using namespace std::chrono_literals;

namespace {

// The rename of the marked files in the list: each file becomes the current line, its line is
// rewritten in place once renamed, and the list is shown between the files.
class ListRenameHost : public RenameHost {
  public:
    explicit ListRenameHost(MainContext& context) : c_(context) {}

    void SelectLine(int line) override {
        c_.model.Select(line);
        c_.view.ShowListTexts();
    }
    std::optional<std::string> AskNewName(const std::string& oldName) override {
        TRNameForm form(c_.actions.Window(), oldName);
        if (c_.prompts.RunDialog(form) != QDialog::Accepted)
            return std::nullopt;
        return form.NewName();
    }
    void LineRenamed(int line, const std::string& newName) override {
        c_.model.RenameFileLine(line, newName);
        c_.view.ShowListTexts();
    }
    void ReportFailure(const ItemFailure& failure) override {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle,
                           RenameFailureText(failure.source, failure.error), PromptIcon::Error);
    }
    void Pause(std::chrono::milliseconds duration) override {
        // The window goes on painting while the user watches the names change.
        const auto end = c_.clock.Now() + duration;
        do {
            QCoreApplication::processEvents();
            const auto left = end - c_.clock.Now();
            c_.clock.SleepFor(std::min<std::chrono::nanoseconds>(left, 10ms));
        } while (c_.clock.Now() < end);
    }

  private:
    MainContext& c_;
};

}  // namespace

FileCommands::FileCommands(MainContext& context, InputLineCommands& input)
    : c_(context), input_(input) {}

void FileCommands::Register(CommandRegistry& registry) {
    registry.Register(Command::Copy, [this] { CopyOrMoveSelection(CopyMoveKind::Copy); });
    registry.Register(Command::Move, [this] { CopyOrMoveSelection(CopyMoveKind::Move); });
    registry.Register(Command::Delete, [this] { DeleteSelection(); });
    registry.Register(Command::Rename, [this] { RenameSelection(); });
    registry.Register(Command::Find, [this] { Find(); });
    registry.Register(Command::FileInformation, [this] { FileInformation(); });
}

std::vector<std::string> FileCommands::LoadHistory(std::string_view name) {
    return LoadHistoryFile(c_.files, c_.host.ProgramFilePath(name));
}

void FileCommands::SaveHistory(std::string_view name, const std::vector<std::string>& entries) {
    const std::string path = c_.host.ProgramFilePath(name);
    const FsError error = SaveHistoryFile(c_.files, path, entries);
    if (error != FsError::None) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle,
                           path + "\nを保存出来ませんでした。\n" + FsErrorMessage(error),
                           PromptIcon::Error);
    }
}

void FileCommands::Refresh(ListRefresh refresh) {
    switch (refresh) {
        case ListRefresh::None:
            c_.view.ShowListTexts();
            break;
        case ListRefresh::KeepSelection:
            c_.actions.RefreshFileList(false, true, false);
            break;
        case ListRefresh::Full:
            c_.actions.RefreshFileList(false, false, false);
            break;
    }
}

void FileCommands::SelectEntry(const std::string& name) {
    for (int line = 0; line < c_.model.LineCount(); ++line) {
        const ListEntry* entry = c_.model.EntryOf(line);
        if (entry && entry->name == name) {
            c_.model.Select(line);
            c_.view.ShowListTexts();
            return;
        }
    }
}

int FileCommands::CurrentEntry() {
    const int current = c_.model.Selected();
    const LineKind kind = c_.model.KindOf(current);
    if (kind == LineKind::ParentFolder)
        return -1;
    if (kind == LineKind::None) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle, kSelectEntryMessage,
                           PromptIcon::Error);
        return -1;
    }
    return current;
}

std::vector<std::string> FileCommands::MarkedSources() {
    c_.model.CompactMarks();
    const std::vector<std::string> names = c_.model.CollectMarkedFiles();
    c_.model.ClearMarkTable();
    c_.view.ShowListTexts();
    return SourcesIn(c_.settings.DirPath, names);
}

// --- Copy and move ----------------------------------------------------------------------------

void FileCommands::CopyOrMoveSelection(CopyMoveKind kind) {
    FileListModel& model = c_.model;
    if (model.MarkCount() > 0) {
        model.CompactMarks();
        const std::vector<std::string> names = model.CollectMarkedFiles();
        model.ClearMarkTable();
        c_.view.ShowListTexts();
        if (!names.empty())
            CopyOrMoveThroughDialog(kind, names);
        return;
    }
    const int current = model.Selected();
    switch (model.KindOf(current)) {
        case LineKind::ParentFolder:
            return;
        case LineKind::None:
            if (kind == CopyMoveKind::Copy) {
                c_.view.ShowMessage(std::string(kSelectFileMessage));
                c_.actions.FocusList();
            }
            return;
        case LineKind::Folder:
            CopyOrMoveThroughDialog(kind, {model.EntryOf(current)->name});
            return;
        case LineKind::File:
            if (kind == CopyMoveKind::Move) {
                CopyOrMoveThroughDialog(kind, {model.EntryOf(current)->name});
            } else {
                // One file copied: to a new name in the same folder, typed into the input line.
                input_.Begin(InputMode::CopyName, "", model.EntryOf(current)->name);
            }
            return;
    }
}

void FileCommands::CopyOrMoveThroughDialog(CopyMoveKind kind,
                                           const std::vector<std::string>& names) {
    std::vector<std::string> history = LoadHistory(kFolderHistoryName);
    TPlusCopyForm form(c_.actions.Window(), c_.prompts, c_.desktop, c_.files, history, kind,
                       c_.settings.DirPath, names);
    const int result = c_.prompts.RunDialog(form);
    SaveHistory(kFolderHistoryName, history);
    if (result == QDialog::Accepted)
        RunCopyOrMove(SourcesIn(c_.settings.DirPath, names), form.Target(), kind);
    c_.actions.FocusList();
}

void FileCommands::RunCopyOrMove(const std::vector<std::string>& sources, const std::string& target,
                                 CopyMoveKind kind) {
    // The list is not used while the operation runs between window events: a folder-watch
    // refresh waits, and no key starts a second command. A drop comes without a key's
    // prologue, so the idle display of an earlier command could still be due; it would enable
    // the list under the operation.
    c_.view.Timer1->stop();
    c_.actions.SetListEnabled(false);
    CopyMoveResult result;
    {
        OperationProgress progress(
            c_.actions.Window(), c_.clock,
            std::string(kind == CopyMoveKind::Copy ? kCopyProgressCaption : kMoveProgressCaption));
        // A move reads the list again before its closing message is shown.
        WindowCopyMoveHost host(c_.prompts, c_.actions.Window(), progress,
                                [this](ListRefresh refresh) { Refresh(refresh); });
        // A long copy or move keeps the screen saver off, as a transfer does.
        std::optional<ScreenSaverInhibition> inhibition;
        if (c_.screenSaver)
            inhibition.emplace(*c_.screenSaver, "ファイルのコピー・移動中");
        result = ShellCopyOrMove(c_.files, sources, target, kind, host);
    }
    c_.actions.SetListEnabled(true);
    if (result.refresh == ListRefresh::None)
        Refresh(ListRefresh::None);  // the mark columns the dialog's list took
    c_.actions.FocusList();
}

// --- Delete -----------------------------------------------------------------------------------

void FileCommands::DeleteSelection() {
    FileListModel& model = c_.model;
    const int current = model.Selected();
    if (model.KindOf(current) == LineKind::None) {
        c_.view.ShowMessage(std::string(kSelectFileMessage));
        c_.actions.FocusList();
        return;
    }
    std::vector<std::string> sources;
    if (model.MarkCount() > 0) {
        sources = MarkedSources();
    } else if (model.KindOf(current) != LineKind::ParentFolder) {
        sources.push_back(model.PathOf(current));
    }
    if (sources.empty())
        return;
    c_.actions.SetListEnabled(false);
    DeleteResult result;
    {
        OperationProgress progress(c_.actions.Window(), c_.clock,
                                   std::string(kDeleteProgressCaption));
        WindowDeleteHost host(c_.prompts, c_.actions.Window(), progress);
        result = DeleteToTrash(c_.files, sources, host);
    }
    c_.actions.SetListEnabled(true);
    if (result.confirmed) {
        Refresh(result.refresh);
        c_.actions.StartTimer1(1000ms);
    }
    c_.actions.FocusList();
}

// --- Rename -----------------------------------------------------------------------------------

void FileCommands::RenameSelection() {
    FileListModel& model = c_.model;
    const int current = CurrentEntry();
    if (current < 0)
        return;
    // No folder-watch refresh rebuilds the list under the rename.
    model.SetBusy(true);
    if (model.MarkCount() == 0)
        RenameOne(current);
    else
        RenameMarked();
    c_.actions.FocusList();
}

void FileCommands::RenameOne(int line) {
    FileListModel& model = c_.model;
    const std::string oldName = model.EntryOf(line)->name;
    TRNameForm form(c_.actions.Window(), oldName);
    const bool ok = c_.prompts.RunDialog(form) == QDialog::Accepted;
    const std::string newName = form.NewName();
    model.SetBusy(false);
    if (!ok)
        return;
    const FsError error = RenameEntry(c_.files, c_.settings.DirPath, oldName, newName);
    if (error != FsError::None) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle,
                           RenameFailureText(JoinDrivePath(c_.settings.DirPath, oldName), error),
                           PromptIcon::Error);
    }
    c_.actions.RefreshFileList(false, false, false);
    // The renamed entry stays the current line.
    SelectEntry(error == FsError::None ? newName : oldName);
}

void FileCommands::RenameMarked() {
    FileListModel& model = c_.model;
    TRNameAForm form(c_.actions.Window());
    if (c_.prompts.RunDialog(form) != QDialog::Accepted) {
        model.SetBusy(false);
        return;
    }
    model.CompactMarks();
    std::vector<MarkedEntry> marked;
    for (int slot = 0; slot < model.MarkCount(); ++slot) {
        const int line = model.Marks()[static_cast<std::size_t>(slot)];
        if (const ListEntry* entry = model.EntryOf(line))
            marked.push_back({line, entry->name});
    }
    c_.view.ShowListTexts();
    c_.actions.SetListEnabled(false);
    ListRenameHost host(c_);
    RenameAll(c_.files, c_.settings.DirPath, marked, form.Rule(), host);
    c_.actions.SetListEnabled(true);
    model.SetBusy(false);
    c_.actions.RefreshFileList(false, false, false);
}

// --- Find and file information ----------------------------------------------------------------

void FileCommands::Find() {
    std::vector<std::string> history = LoadHistory(kFindHistoryName);
    TFindForm form(c_.actions.Window(), c_.prompts, history, c_.settings.DirPath, c_.settings.Mask);
    c_.prompts.RunDialog(form);
    c_.view.ShowLegend(false);
    SaveHistory(kFindHistoryName, history);
    if (form.Pattern()) {
        c_.model.SetSearchPattern(*form.Pattern());
        c_.actions.RefreshFileList(true, false, false);
    }
    c_.actions.FocusList();
}

void FileCommands::FileInformation() {
    const int current = CurrentEntry();
    if (current < 0)
        return;
    const std::string name = c_.model.EntryOf(current)->name;
    const std::string path = c_.model.PathOf(current);
    const auto info = ReadFileInfo(c_.files, c_.settings.DirPath, name);
    if (!info) {
        // Gone since the list was read.
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle,
                           path + "\n" + FsErrorMessage(FsError::NotFound), PromptIcon::Error);
        c_.actions.RefreshFileList(false, true, false);
        return;
    }
    const std::string hostPath = c_.files.Drives().ToHost(path).value_or(std::string());
    DesktopFileKind desktopKind = c_.desktop.KindOf(hostPath, info->folder);
    if (!info->folder && c_.settings.Mask.size() > 1 &&
        AsciiUpper(FileExtensionOf(info->name)) == AsciiUpper(c_.settings.Mask.substr(1))) {
        // The files of the mask are the shop's NC programs, whatever else a desktop knows their
        // extension as (".nc" is a scientific data format there): they are "NC ﾌｧｲﾙ" as text.
        desktopKind.typeName.clear();
        desktopKind.icon = QIcon::fromTheme(
            "text-x-generic", QApplication::style()->standardIcon(QStyle::SP_FileIcon));
    }
    TFileInfoForm form(c_.actions.Window(), c_.prompts, c_.files, path, *info, desktopKind);
    if (c_.prompts.RunDialog(form) == QDialog::Accepted)
        c_.actions.RefreshFileList(false, true, false);
    c_.actions.FocusList();
}

// --- Drag and drop ----------------------------------------------------------------------------

bool FileCommands::DragOver(int startLine, int overLine) {
    const ListEntry* over = c_.model.EntryOf(overLine);
    const DropTarget drop =
        DragTargetOver(c_.settings.DirPath, c_.model.KindOf(startLine) == LineKind::ParentFolder,
                       c_.model.KindOf(overLine), over ? over->name : std::string());
    c_.view.Label3->setText(Q(drop.label));
    return drop.accepted;
}

void FileCommands::Drop(int startLine, int overLine) {
    const ListEntry* over = c_.model.EntryOf(overLine);
    const DropTarget drop =
        DragTargetOver(c_.settings.DirPath, c_.model.KindOf(startLine) == LineKind::ParentFolder,
                       c_.model.KindOf(overLine), over ? over->name : std::string());
    c_.view.Label3->clear();
    if (!drop.accepted)
        return;
    std::vector<std::string> sources;
    if (c_.model.MarkCount() > 0) {
        sources = MarkedSources();
    } else if (const std::string path = c_.model.PathOf(startLine); !path.empty()) {
        sources.push_back(path);
    }
    if (sources.empty())
        return;
    // The move runs once the drag has ended: while a drag is under way the window system
    // holds the pointer, and the move's questions need it.
    QTimer::singleShot(0, c_.actions.Window(), [this, sources, target = drop.target] {
        RunCopyOrMove(sources, target, CopyMoveKind::Move);
    });
}

void FileCommands::DragLeft() {
    c_.view.Label3->clear();
}

}  // namespace kelvantori

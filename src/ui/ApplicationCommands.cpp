// The editor, the external applications and the Alt help panel.
#include "ui/ApplicationCommands.h"

#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <algorithm>

#include "core/DrivePath.h"
#include "files/ExternalApps.h"
#include "files/FileOperations.h"
#include "ui/Appopen.h"
#include "ui/DesktopServices.h"
#include "ui/Editapp.h"
#include "ui/FileListView.h"
#include "ui/Fonts.h"
#include "ui/MainView.h"
#include "ui/Outapp.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

namespace kelvantori {

namespace {

constexpr int kFirstTag = 2;  // Menu_outa; Menu_outz is 27
constexpr const char* kNoEditorMessage =
    "起動できるエディタがありません。\nG:ｴﾃﾞｨﾀ設定 でエディタを設定してください。";
// The colours of a tool-tip: the panel stands in for one.
const QColor kTipBackground(255, 255, 225);
// The Alt help panel: its place and least size, the texts' margins, the least width of the
// column of A..M and the gap before the column of N..Z. It keeps inside the window by
// kAltPanelInset.
constexpr int kAltPanelLeft = 150;
constexpr int kAltPanelTop = 60;
constexpr int kAltPanelWidth = 460;
constexpr int kAltPanelHeight = 208;
constexpr int kAltPanelMargin = 10;
constexpr int kAltPanelTextTop = 12;
constexpr int kAltPanelLeftColumn = 230;
constexpr int kAltPanelGap = 14;
constexpr int kAltPanelInset = 8;

}  // namespace

ApplicationCommands::ApplicationCommands(MainContext& context, ProcessLauncher& launcher)
    : QObject(&context.view), c_(context), launcher_(launcher) {
    BuildAltPanel();
    c_.view.ListBox1->installEventFilter(this);
}

void ApplicationCommands::Register(CommandRegistry& registry) {
    registry.Register(Command::EditFile, [this] { EditFile(); });
    registry.Register(Command::EditorSetting, [this] { EditorSetting(); });
    registry.Register(Command::ApplicationSetting, [this] { ApplicationSetting(); });
    registry.Register(Command::OpenAssociated, [this] { OpenAssociated(); });
}

void ApplicationCommands::BuildAltPanel() {
    GroupBox16 = new QGroupBox(c_.view.central);
    GroupBox16->setObjectName("GroupBox16");
    GroupBox16->setAutoFillBackground(true);
    QPalette palette = GroupBox16->palette();
    palette.setColor(QPalette::Window, kTipBackground);
    palette.setColor(QPalette::WindowText, Qt::black);
    GroupBox16->setPalette(palette);
    for (QLabel** label : {&Label30, &Label31}) {
        *label = new QLabel(GroupBox16);
        (*label)->setObjectName(label == &Label30 ? "Label30" : "Label31");
        (*label)->setTextFormat(Qt::PlainText);
        (*label)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        (*label)->setFont(GothicFont(12));
    }
    GroupBox16->hide();

    // The items carry the letters' shortcuts and tags. Alt+letter in the list triggers its
    // item (eventFilter): the list's own key handling does so whether or not the window is
    // the active one, which a shortcut needs.
    PopupMenu1 = new QMenu(c_.view.ListBox1);
    PopupMenu1->setObjectName("PopupMenu1");
    for (std::size_t i = 0; i < kAppLetters; ++i) {
        const char letter = AppLetterOf(i);
        QAction* item = PopupMenu1->addAction(QString());
        item->setObjectName(QString("Menu_out") + QChar(letter - 'A' + 'a'));
        item->setShortcut(QKeySequence(Qt::ALT | static_cast<Qt::Key>(Qt::Key_A + i)));
        item->setShortcutContext(Qt::WidgetShortcut);
        const int tag = kFirstTag + static_cast<int>(i);
        item->setData(tag);
        connect(item, &QAction::triggered, this, [this, tag] { Menu_outaClick(tag); });
    }
}

void ApplicationCommands::ShowAltPanel() {
    LayOutAltPanel(Q(AltPanelLeftText(c_.settings)), Q(AltPanelRightText(c_.settings)));
    GroupBox16->show();
    GroupBox16->raise();
}

void ApplicationCommands::LayOutAltPanel(const QString& left, const QString& right) {
    const QFontMetrics metrics(Label30->font());
    QStringList leftLines = left.split('\n');
    QStringList rightLines = right.split('\n');
    const auto widest = [&metrics](const QStringList& lines, qsizetype from) {
        int width = 0;
        for (qsizetype i = from; i < lines.size(); ++i)
            width = std::max(width, metrics.horizontalAdvance(lines[i]));
        return width;
    };
    // The editor's line (the first of Label30) may run the panel's whole width: Label31 begins
    // a line lower. The names of A..M stop before the column of N..Z.
    const int widestPanel = std::max(kAltPanelWidth, c_.view.central->width() - 2 * kAltPanelInset);
    const int room = widestPanel - 2 * kAltPanelMargin - kAltPanelGap;
    int leftColumn = std::max(kAltPanelLeftColumn, widest(leftLines, 1));
    int rightColumn = widest(rightLines, 0);
    if (leftColumn + rightColumn > room) {
        // Wider than the window: each column keeps what the other leaves, half at least.
        leftColumn = std::min(leftColumn, std::max(room / 2, room - rightColumn));
        rightColumn = room - leftColumn;
    }
    const int editorLine =
        std::min(metrics.horizontalAdvance(leftLines.front()), widestPanel - 2 * kAltPanelMargin);
    const int width = std::clamp(
        2 * kAltPanelMargin + std::max(editorLine, leftColumn + kAltPanelGap + rightColumn),
        kAltPanelWidth, widestPanel);
    // What is wider still is cut with "…", so that no text runs under another: the editor's
    // path in its middle (the program's name stays), a name at its end.
    leftLines.front() =
        metrics.elidedText(leftLines.front(), Qt::ElideMiddle, width - 2 * kAltPanelMargin);
    for (qsizetype i = 1; i < leftLines.size(); ++i)
        leftLines[i] = metrics.elidedText(leftLines[i], Qt::ElideRight, leftColumn);
    for (QString& line : rightLines)
        line = metrics.elidedText(line, Qt::ElideRight, rightColumn);
    Label30->setText(leftLines.join('\n'));
    Label31->setText(rightLines.join('\n'));

    // Alt+N stands level with Alt+A, one line below the editor's line.
    const int line = metrics.lineSpacing();
    const int textHeight = static_cast<int>(leftLines.size()) * line;
    Label30->setGeometry(kAltPanelMargin, kAltPanelTextTop, width - 2 * kAltPanelMargin,
                         textHeight);
    const int rightLeft = kAltPanelMargin + leftColumn + kAltPanelGap;
    Label31->setGeometry(rightLeft, kAltPanelTextTop + line, width - kAltPanelMargin - rightLeft,
                         textHeight - line);
    // A wider panel moves left as far as it must to stay in the window.
    const int panelLeft = std::max(
        kAltPanelInset, std::min(kAltPanelLeft, c_.view.central->width() - kAltPanelInset - width));
    GroupBox16->setGeometry(panelLeft, kAltPanelTop, width,
                            std::max(kAltPanelHeight, 2 * kAltPanelTextTop + textHeight));
}

void ApplicationCommands::HideAltPanel() {
    GroupBox16->hide();
}

bool ApplicationCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == c_.view.ListBox1) {
        switch (event->type()) {
            case QEvent::KeyPress: {
                const auto* key = static_cast<QKeyEvent*>(event);
                if (key->key() == Qt::Key_Alt) {
                    ShowAltPanel();
                    break;
                }
                const bool altOnly = (key->modifiers() & (Qt::AltModifier | Qt::ControlModifier |
                                                          Qt::MetaModifier)) == Qt::AltModifier;
                if (altOnly && key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z) {
                    PopupMenu1->actions().at(key->key() - Qt::Key_A)->trigger();
                    return true;
                }
                break;
            }
            case QEvent::KeyRelease:
            case QEvent::FocusOut:
                HideAltPanel();
                break;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, event);
}

std::string ApplicationCommands::CurrentHostFile(std::string* name) {
    const int current = c_.model.Selected();
    if (!c_.model.IsFileLine(current)) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle, kSelectOneFileMessage,
                           PromptIcon::Error);
        return {};
    }
    const std::string path = c_.model.PathOf(current);
    const auto host = c_.files.Drives().ToHost(path);
    if (!host) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle,
                           FsErrorMessage(FsError::NotMapped) + "\n" + path, PromptIcon::Error);
        return {};
    }
    if (name != nullptr)
        *name = c_.model.EntryOf(current)->name;
    return *host;
}

void ApplicationCommands::ReportFailure(const std::string& program, const LaunchResult& result) {
    if (result.started)
        return;
    c_.prompts.Message(c_.actions.Window(), kConfirmTitle,
                       LaunchFailureText(program, result.reason), PromptIcon::Error);
}

void ApplicationCommands::EditFile() {
    const std::string file = CurrentHostFile();
    if (file.empty())
        return;
    // EditApp is one program path, blanks and all: it takes the file as its only argument.
    const std::string& editApp = c_.settings.EditApp;
    if (const auto editor = ResolveProgram(editApp, c_.files.Drives(), launcher_)) {
        ReportFailure(editApp, launcher_.Start(editor->path, {file}));
        return;
    }
    const auto fallback = c_.desktop.PlainTextEditor(file);
    if (!fallback) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle, kNoEditorMessage, PromptIcon::Error);
        return;
    }
    const std::vector<std::string> arguments(fallback->words.begin() + 1, fallback->words.end());
    ReportFailure(fallback->words.front(), launcher_.Start(fallback->words.front(), arguments));
}

void ApplicationCommands::EditorSetting() {
    TEditAppForm form(c_.actions.Window(), c_.settings.EditApp, c_.desktop);
    c_.prompts.RunDialog(form);
    c_.actions.FocusList();
}

void ApplicationCommands::ApplicationSetting() {
    TAppopenForm form(c_.actions.Window(), c_.settings.OutApps, c_.desktop);
    c_.prompts.RunDialog(form);
    c_.actions.FocusList();
}

void ApplicationCommands::OpenAssociated() {
    const int current = c_.model.Selected();
    if (current < 0) {
        c_.view.ShowMessage(std::string(kSelectFileMessage));
        return;
    }
    if (!c_.model.IsFileLine(current))
        return;
    std::string name;
    const std::string file = CurrentHostFile(&name);
    if (file.empty())
        return;
    const LaunchResult result = c_.desktop.OpenWithAssociated(file);
    if (!result.started) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle,
                           "「" + name + "」を開けませんでした。\n" + result.reason,
                           PromptIcon::Error);
    }
}

void ApplicationCommands::Menu_outaClick(int tag) {
    HideAltPanel();
    const int index = tag - kFirstTag;
    if (index < 0 || index >= static_cast<int>(kAppLetters))
        return;
    std::string name;
    const std::string file = CurrentHostFile(&name);
    if (file.empty())
        return;
    const OutAppEntry& app = c_.settings.OutApps[static_cast<std::size_t>(index)];
    const std::string program = TemplateProgram(app.OutApp);
    if (program.empty()) {
        c_.prompts.Message(
            c_.actions.Window(), kConfirmTitle,
            AppCaption(static_cast<std::size_t>(index)) +
                " にｱﾌﾟﾘｹｰｼｮﾝが設定されていません。\nY:外部ｱﾌﾟﾘ設定 で設定してください。",
            PromptIcon::Error);
        return;
    }
    const auto found = ResolveProgram(program, c_.files.Drives(), launcher_);
    if (!found) {
        ReportFailure(program, {false, std::string(kProgramMissingReason)});
        return;
    }
    const OpenDocument open = [this](const std::string& document) {
        return c_.desktop.OpenWithAssociated(document);
    };
    if (app.OutApp_F != "Y") {
        // Without arguments the program starts alone: the file is not passed.
        ReportFailure(program, LaunchProgram(launcher_, *found, {}, open));
        return;
    }
    TOutAppForm form(c_.actions.Window(), app.OutApp_N, app.OutApp,
                     MarkerArgument(app.OutApp, MarkersOf(file, name)));
    if (c_.prompts.RunDialog(form) != QDialog::Accepted)
        return;
    const AppCommand command = BuildAppCommand(app.OutApp, form.Argument());
    ReportFailure(program, LaunchProgram(launcher_, *found, command.arguments, open));
}

}  // namespace kelvantori

// The multi-transfer queue panel.
#include "ui/MultiTransferPanel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>

#include "files/FileOperations.h"
#include "ui/ComboCompletion.h"
#include "ui/DialogSupport.h"
#include "ui/FileListView.h"
#include "ui/Fonts.h"
#include "ui/MainContext.h"
#include "ui/MainView.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

namespace kelvantori {

using namespace std::chrono_literals;

namespace {

constexpr int kRowTop = 40;
constexpr int kRowHeight = 29;
constexpr const char* kHeading = "番号  送信 受信 取消    送受信データ     結果";

}  // namespace

std::string QueueRowNumber(int row) {
    static const char* const kDigits[] = {"０", "１", "２", "３", "４",
                                          "５", "６", "７", "８", "９"};
    return row < 10 ? std::string("　") + kDigits[row] : std::string("１０");
}

// The run of the rows, shown in the panel and carried out by the transfer area.
class MultiTransferPanel::Steps : public QueueSteps {
  public:
    explicit Steps(MultiTransferPanel& panel) : p_(panel) {}
    void Processing(int row) override {
        p_.Label35->setText(Q(QueueProgressText(row)));
        p_.Label35->repaint();
    }
    void Wait(std::chrono::milliseconds duration) override { p_.runner_.WaitQueued(duration); }
    bool Send(const QueueFile& file) override { return p_.runner_.SendQueued(file); }
    bool Receive(const QueueFile& target) override { return p_.runner_.ReceiveQueued(target); }
    void Result(int row, bool completed) override {
        QLabel* result = p_.results[static_cast<std::size_t>(row - 1)];
        result->setText(Q(completed ? "完了" : "未完了"));
        result->show();
        p_.c_.view.ShowMessage("");
        p_.runner_.PumpQueued();
    }
    void ShowingResults() override {
        p_.Label35->setText(Q(kQueueShowingText));
        p_.Label35->repaint();
    }
    bool Abandoned() override { return p_.runner_.QueueAbandoned(); }

  private:
    MultiTransferPanel& p_;
};

MultiTransferPanel::MultiTransferPanel(MainContext& context, QueueRunner& runner)
    : QObject(nullptr), c_(context), runner_(runner) {
    Build();
}

void MultiTransferPanel::Build() {
    GroupBox3 = new QGroupBox(Q("送受信データ"), c_.view.central);
    GroupBox3->setObjectName("GroupBox3");
    GroupBox3->setGeometry(392, 24, 355, 404);
    GroupBox3->setFont(GothicFont(12));
    SetPanelColour(GroupBox3, kNavy);
    Label19 = MakePanelLabel(GroupBox3, "Label19", Q(kHeading), QRect(8, 20, 340, 18), 12);
    for (int k = 0; k < kQueueRows; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const int top = kRowTop + k * kRowHeight;
        auto* box = new QGroupBox(GroupBox3);
        box->setObjectName(QString("GroupBox%1").arg(k + 4));
        box->setGeometry(4, top, 136, kRowHeight - 3);
        box->setFlat(true);
        box->setStyleSheet("QGroupBox { border: none; margin: 0; padding: 0; }");
        rowBoxes[i] = box;
        numbers[i] = MakePanelLabel(box, QString("Label%1").arg(k + 20), Q(QueueRowNumber(k + 1)),
                                    QRect(2, 4, 26, 18), 12);
        for (int m = 0; m < 3; ++m) {
            auto* radio = new QRadioButton(box);
            radio->setObjectName(QString("RadioButton%1").arg(3 * k + m + 1));
            radio->setGeometry(44 + 30 * m, 4, 18, 18);
            RadioButton[static_cast<std::size_t>(3 * k + m)] = radio;
            const RowMode mode = m == 0   ? RowMode::Send
                                 : m == 1 ? RowMode::Receive
                                          : RowMode::Cancel;
            connect(radio, &QRadioButton::toggled, this, [this, k, mode](bool on) {
                if (on)
                    ModeChosen(k, mode);
            });
        }
        auto* name = new QComboBox(GroupBox3);
        name->setObjectName(QString("ComboBox%1").arg(k + 1));
        name->setGeometry(150, top + 1, 120, 24);
        name->setFont(GothicFont(12));
        name->setEditable(true);
        name->setCompleter(nullptr);
        name->setInsertPolicy(QComboBox::NoInsert);
        name->view()->setMinimumWidth(180);
        // Each box answers for its own row.
        name->setProperty("Tag", k + 11);
        // The box takes the keys and the focus for its line.
        name->setProperty("Row", k);
        name->installEventFilter(this);
        connect(name->lineEdit(), &QLineEdit::textEdited, this, [this, k] { NameEdited(k); });
        connect(name, &QComboBox::activated, this, [this, k](int index) { NameChosen(k, index); });
        name->hide();
        ComboBox[i] = name;
        results[i] = MakePanelLabel(GroupBox3, QString("Label%1").arg(k + 41), QString(),
                                    QRect(278, top + 4, 70, 18), 12);
    }
    Label35 = MakePanelLabel(GroupBox3, "Label35", QString(), QRect(8, 336, 340, 20), 12);
    QFont bold = Label35->font();
    bold.setBold(true);
    Label35->setFont(bold);
    BitBtn1 = new QPushButton(Q("ＯＫ"), GroupBox3);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(70, 362, 96, 30);
    BitBtn2 = new QPushButton(Q("中止"), GroupBox3);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(190, 362, 96, 30);
    // Esc anywhere in the panel is its abort button, as it ends every other state.
    for (QWidget* control : std::initializer_list<QWidget*>{BitBtn1, BitBtn2})
        control->installEventFilter(this);
    for (QRadioButton* radio : RadioButton)
        radio->installEventFilter(this);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { Run(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { Abort(); });
    GroupBox3->hide();
}

void MultiTransferPanel::Open() {
    MainView& v = c_.view;
    v.SetStatus(6, c_.settings.Signal);
    BitBtn2->setEnabled(true);
    c_.actions.SetListEnabled(false);
    rows_ = QueueRows{};
    noCompletion_ = {};
    arrowHeld_ = {};
    for (int k = 0; k < kQueueRows; ++k) {
        const auto i = static_cast<std::size_t>(k);
        results[i]->clear();
        results[i]->hide();
        const QSignalBlocker blocker(RadioButton[i * 3 + 2]);
        RadioButton[i * 3 + 2]->setChecked(true);
        ComboBox[i]->clear();
        ComboBox[i]->hide();
    }
    Label35->clear();
    GroupBox3->show();
    GroupBox3->raise();

    const int marked = c_.model.MarkCount();
    if (marked > kQueueRows) {
        c_.actions.RefreshFileList(false, true, false);
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle, kQueueTooManyText,
                           PromptIcon::Error);
        BitBtn1->setEnabled(false);
        RadioButton[2]->setFocus();
        return;
    }
    if (marked == 0) {
        BitBtn1->setEnabled(false);
        RadioButton[2]->setFocus();
        return;
    }
    c_.model.CompactMarks();
    for (int k = 0; k < marked; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const ListEntry* entry = c_.model.EntryOf(c_.model.Marks()[i]);
        if (entry == nullptr)
            continue;
        {
            const QSignalBlocker blocker(RadioButton[i * 3]);
            RadioButton[i * 3]->setChecked(true);
        }
        FillSendBox(k);
        ComboBox[i]->setEditText(Q(entry->name));
        rows_[i] = QueueRow{RowMode::Send, entry->name};
    }
    BitBtn1->setEnabled(true);
    BitBtn1->setFocus();
}

void MultiTransferPanel::FillSendBox(int row) {
    QComboBox* box = ComboBox[static_cast<std::size_t>(row)];
    box->clear();
    for (const ListEntry& file : c_.model.Files())
        box->addItem(Q(file.name));
    box->setCurrentIndex(-1);
    box->setEditText(QString());
    box->show();
}

void MultiTransferPanel::ModeChosen(int row, RowMode mode) {
    if (running_)
        return;
    const auto i = static_cast<std::size_t>(row);
    QComboBox* box = ComboBox[i];
    rows_[i].mode = mode;
    if (mode == RowMode::Cancel) {
        box->hide();
        return;
    }
    BitBtn1->setEnabled(true);
    if (mode == RowMode::Send) {
        FillSendBox(row);
    } else {
        // A received file gets a new name: there is nothing to choose from.
        box->clear();
        box->setEditText(QString());
        box->show();
    }
    rows_[i].DataName.clear();
    box->setFocus();
    // Chosen with an arrow key, the button that was moved to takes the focus back after its
    // click: the box takes it once the key has been handled, so the name is typed at once.
    QTimer::singleShot(0, box, [this, i, box] {
        if (box->isVisible() && rowBoxes[i]->isAncestorOf(QApplication::focusWidget()))
            box->setFocus();
    });
}

bool MultiTransferPanel::eventFilter(QObject* watched, QEvent* event) {
    const QVariant row = watched->property("Row");
    if (!row.isValid()) {
        if (event->type() != QEvent::KeyPress || running_)
            return QObject::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            Abort();
            return true;
        }
        // Enter presses the button that has the focus, as Space does (a name box's Enter
        // brings the focus to OK, and a second Enter runs the queue).
        auto* button = qobject_cast<QPushButton*>(watched);
        if (button && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            button->click();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
    const int k = row.toInt();
    switch (event->type()) {
        case QEvent::KeyPress:
            return NameKey(k, static_cast<QKeyEvent*>(event));
        case QEvent::KeyRelease: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down)
                arrowHeld_[static_cast<std::size_t>(k)] = false;
            return false;
        }
        case QEvent::FocusOut:
            NameLeft(k);
            return false;
        default:
            return false;
    }
}

bool MultiTransferPanel::NameKey(int row, QKeyEvent* event) {
    const auto i = static_cast<std::size_t>(row);
    QComboBox* box = ComboBox[i];
    noCompletion_[i] = false;
    switch (event->key()) {
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            noCompletion_[i] = true;
            return false;
        case Qt::Key_Up:
        case Qt::Key_Down:
            arrowHeld_[i] = true;
            // A receive row has no list to move through.
            return rows_[i].mode != RowMode::Send;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!box->currentText().isEmpty()) {
                // The entry chosen in the list; nothing while none is.
                if (box->currentIndex() >= 0)
                    rows_[i].DataName = U(box->itemText(box->currentIndex()));
                BitBtn1->setFocus();
            }
            return true;
        case Qt::Key_Escape:
            if (!running_)
                Abort();
            return true;
        default:
            break;
    }
    const std::string character = TypedCharacter(*event);
    if (character.empty())
        return false;
    if (character.size() == 1 &&
        QueueForbiddenCharacters(c_.settings).find(character[0]) != std::string_view::npos) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle, QueueForbiddenMessage(c_.settings),
                           PromptIcon::Error);
        return true;
    }
    return false;
}

void MultiTransferPanel::NameEdited(int row) {
    const auto i = static_cast<std::size_t>(row);
    if (noCompletion_[i]) {
        noCompletion_[i] = false;
        return;
    }
    QComboBox* box = ComboBox[i];
    const CompletedText done = CompleteInBox(*box, Unmatched::KeepPrefix);
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(done.item ? static_cast<int>(*done.item) : -1);
    ShowCompletion(*box->lineEdit(), done);
}

void MultiTransferPanel::NameChosen(int row, int index) {
    const auto i = static_cast<std::size_t>(row);
    if (arrowHeld_[i] || index < 0 || running_)
        return;
    rows_[i].DataName = U(ComboBox[i]->itemText(index));
    BitBtn1->setFocus();
}

void MultiTransferPanel::NameLeft(int row) {
    const auto i = static_cast<std::size_t>(row);
    QComboBox* box = ComboBox[i];
    if (refusing_ || running_ || !GroupBox3->isVisible() || box->currentIndex() < 0 ||
        rows_[i].mode != RowMode::Send)
        return;
    const std::string chosen = U(box->itemText(box->currentIndex()));
    const std::string text = U(box->currentText());
    if (text.empty() || ResolveQueueName(c_.files, c_.settings, chosen).exists)
        return;
    refusing_ = true;
    c_.prompts.Message(c_.actions.Window(), kConfirmTitle, QueueMissingNameMessage(text),
                       PromptIcon::Error);
    box->setFocus();
    refusing_ = false;
}

void MultiTransferPanel::Run() {
    if (running_)
        return;
    BitBtn1->setEnabled(false);
    BitBtn2->setEnabled(false);
    for (int k = 0; k < kQueueRows; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (rows_[i].DataName.empty() && rows_[i].mode != RowMode::Cancel)
            rows_[i].DataName = U(ComboBox[i]->currentText());
    }
    running_ = true;
    runner_.BeginQueue();
    Steps steps(*this);
    RunQueue(rows_, c_.settings, c_.files, steps);
    const bool abandoned = runner_.QueueAbandoned();
    runner_.EndQueue();
    running_ = false;
    GroupBox3->hide();
    if (abandoned)
        return;
    c_.view.ShowMessage(std::string(kQueueFinishedText), ResultColour::Lime);
    Close();
    c_.actions.StartTimer1(3000ms);
}

void MultiTransferPanel::Abort() {
    if (running_)
        return;
    GroupBox3->hide();
    c_.view.ShowMessage(std::string(kQueueAbortedText), ResultColour::Red);
    Close();
    c_.actions.StartTimer1(1000ms);
}

void MultiTransferPanel::Close() {
    GroupBox3->hide();
    c_.view.ProgressBar1->setValue(0);
    c_.actions.SetListEnabled(true);
    c_.model.ClearMarks();
    c_.view.ShowListTexts();
    c_.actions.FocusList();
}

}  // namespace kelvantori

// Building the main window's controls and the display operations on them.
#include "ui/MainView.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/ClickLabel.h"
#include "ui/FileListView.h"
#include "ui/Fonts.h"
#include "ui/ProgramView.h"
#include "ui/QtText.h"

namespace kelvantori {

namespace {

// The status panels' left edges and widths; the progress bar stands in panel 1.
constexpr std::array<int, MainView::kStatusPanels> kPanelWidths{250, 102, 100, 150, 80, 48, 30};
constexpr int kStatusBarHeight = 24;
constexpr int kListTop = 24;
constexpr int kListHeight = 404;

}  // namespace

QLabel* MakePanelLabel(QWidget* parent, const QString& name, const QString& text, QRect geometry,
                       int pixelSize, const QColor& colour) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setFont(GothicFont(pixelSize));
    label->setTextFormat(Qt::PlainText);
    SetTextColour(label, colour);
    return label;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

void SetPanelColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::WindowText, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

MainView::MainView(QMainWindow& window, const FileListModel& model)
    : QObject(&window), window_(window), model_(model) {
    central = new QWidget(&window);
    central->setObjectName("central");
    SetPanelColour(central, Qt::black);
    window.setCentralWidget(central);
    window.setFixedSize(kWindowWidth, kWindowHeight);

    Label7 = MakePanelLabel(central, "Label7", QString(), QRect(8, 4, 744, 18), 16, Qt::white);
    ListBox1 = new FileListView(model, central);
    ListBox1->setGeometry(8, kListTop, kListNarrowWidth, kListHeight);
    Label2 =
        MakePanelLabel(central, "Label2", QString(), QRect(634, kListTop, 120, 330), 12, Qt::white);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setText(Q(kLetterCommands));
    Label8 = MakePanelLabel(central, "Label8", QString(), QRect(8, 430, 744, 18), 16, Qt::white);
    Label3 = MakePanelLabel(central, "Label3", QString(), QRect(8, 450, 744, 16), 12,
                            QColor(0, 255, 255));

    Label11 = MakePanelLabel(central, "Label11", QString(), QRect(8, 468, 440, 22), 16, kLime);
    Label11->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Edit1 = new QLineEdit(central);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(450, 468, 302, 22);
    Edit1->setFont(GothicFont(16));
    // White on black, with a frame so that the box can be found while it waits disabled.
    Edit1->setStyleSheet(
        "QLineEdit { background: black; color: white; border: 1px solid #808080; }"
        "QLineEdit:focus { border: 1px solid white; }");
    Edit1->setEnabled(false);

    Label1 = MakePanelLabel(central, "Label1", QString(), QRect(8, 494, 744, 36), 16, Qt::white);
    Label1->setToolTip(Q("対応するファンクションキーを押してください。"));
    Label1->setText(Q(kNormalLegend));
    Label6 = MakePanelLabel(central, "Label6", QString(), QRect(8, 532, 744, 18), 16, Qt::white);
    Label6->setToolTip(Q("各操作を中止する際はＥｓｃを押してください。"));
    Label6->setText(Q(kShiftHintLine));

    BuildStatusBar();
    BuildTextPanel();
    BuildSortPanel();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setSingleShot(true);
}

void MainView::BuildStatusBar() {
    StatusBar2 = new QWidget(central);
    StatusBar2->setObjectName("StatusBar2");
    StatusBar2->setGeometry(0, kWindowHeight - kStatusBarHeight, kWindowWidth, kStatusBarHeight);
    SetPanelColour(StatusBar2, QColor(212, 208, 200));
    int left = 0;
    for (int i = 0; i < kStatusPanels; ++i) {
        const int width = i + 1 == kStatusPanels ? kWindowWidth - left : kPanelWidths[i];
        auto* panel = new QLabel(StatusBar2);
        panel->setObjectName(QString("StatusPanel%1").arg(i));
        panel->setGeometry(left, 0, width, kStatusBarHeight);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setFont(GothicFont(12));
        panel->setTextFormat(Qt::PlainText);
        SetTextColour(panel, Qt::black);
        statusPanels[static_cast<std::size_t>(i)] = panel;
        left += width;
    }
    ProgressBar1 = new QProgressBar(StatusBar2);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(252, 2, 98, kStatusBarHeight - 2);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
}

void MainView::BuildTextPanel() {
    GroupBox2 = new QGroupBox(central);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setFont(GothicFont(12));
    auto* layout = new QVBoxLayout(GroupBox2);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    RichEdit1 = new ProgramView(GroupBox2);
    layout->addWidget(RichEdit1, 1);
    Label17 = new QLabel(GroupBox2);
    Label17->setObjectName("Label17");
    Label17->setFont(GothicFont(12));
    Label17->setTextFormat(Qt::PlainText);
    SetTextColour(Label17, Qt::white);
    layout->addWidget(Label17);
    GroupBox2->hide();
}

void MainView::BuildSortPanel() {
    GroupBox14 = new QGroupBox(Q("ソートタイプ"), central);
    GroupBox14->setObjectName("GroupBox14");
    GroupBox14->setGeometry(200, 150, 360, 150);
    GroupBox14->setFont(GothicFont(12));
    SetPanelColour(GroupBox14, kTeal);
    Label37 =
        MakePanelLabel(GroupBox14, "Label37", QString(), QRect(12, 20, 336, 48), 12, Qt::white);
    Label37->setText(
        Q("Ｎ：名前　Ｓ：サイズ　Ｔ：日付\nＤ：昇順　Ｕ：降順\n例）Ｎ－Ｄ（名前の昇順）"));
    Label38 =
        MakePanelLabel(GroupBox14, "Label38", QString(), QRect(12, 72, 336, 18), 12, Qt::yellow);
    Edit7 = new QLineEdit(GroupBox14);
    Edit7->setObjectName("Edit7");
    Edit7->setGeometry(12, 96, 80, 24);
    Edit7->setFont(GothicFont(16));
    Edit7->setMaxLength(3);
    Label39 = new ClickLabel(Q("Esc :中止"), GroupBox14);
    Label39->setObjectName("Label39");
    Label39->setGeometry(260, 100, 88, 18);
    Label39->setFont(GothicFont(12));
    SetTextColour(Label39, Qt::white);
    GroupBox14->hide();
}

void MainView::ShowLegend(bool shift) {
    Label1->setText(Q(shift ? kShiftLegend : kNormalLegend));
}

void MainView::ShowMessage(const std::string& text, ResultColour colour) {
    SetTextColour(Label11, colour == ResultColour::Red ? QColor(Qt::red) : kLime);
    Label11->setText(Q(text));
}

void MainView::SetStatus(int panel, const std::string& text) {
    if (panel >= 0 && panel < kStatusPanels)
        statusPanels[static_cast<std::size_t>(panel)]->setText(Q(text));
}

std::string MainView::Status(int panel) const {
    if (panel < 0 || panel >= kStatusPanels)
        return {};
    return U(statusPanels[static_cast<std::size_t>(panel)]->text());
}

int MainView::StatusPanelWidth(int panel) const {
    return statusPanels[static_cast<std::size_t>(panel)]->width();
}

void MainView::ShowTextPanel(const std::string& caption, QRect geometry, QColor colour) {
    GroupBox2->setTitle(Q(caption));
    GroupBox2->setGeometry(geometry);
    SetPanelColour(GroupBox2, colour);
    GroupBox2->show();
    GroupBox2->raise();
}

void MainView::HideTextPanel() {
    GroupBox2->hide();
}

std::string MainView::TextPanelCaption() const {
    return GroupBox2->isVisible() ? U(GroupBox2->title()) : std::string();
}

void MainView::ApplyListColumns(int listColumn) {
    const bool wide = listColumn >= 5;
    ListBox1->resize(wide ? kListWideWidth : kListNarrowWidth, ListBox1->height());
    ListBox1->SetColumns(listColumn);
    Label2->setVisible(!wide);
}

void MainView::ShowListTexts() {
    Label7->setText(Q(model_.HeaderLine()));
    Label8->setText(Q(model_.DetailLine()));
    ListBox1->ModelChanged();
}

}  // namespace kelvantori

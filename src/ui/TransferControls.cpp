// Building the lamps and the naming choice.
#include "ui/TransferControls.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "ui/ClickLabel.h"
#include "ui/Fonts.h"
#include "ui/MainView.h"
#include "ui/QtText.h"

namespace kelvantori {

namespace {

QLineEdit* MakeLamp(QWidget* parent, const char* name, QRect geometry) {
    auto* lamp = new QLineEdit(parent);
    lamp->setObjectName(name);
    lamp->setGeometry(geometry);
    lamp->setReadOnly(true);
    lamp->setFocusPolicy(Qt::NoFocus);
    lamp->setFont(GothicFont(12));
    lamp->setFrame(false);
    QPalette palette = lamp->palette();
    palette.setColor(QPalette::Base, Qt::black);
    lamp->setPalette(palette);
    return lamp;
}

QLabel* MakeCaption(QWidget* parent, const char* name, const char* text, QRect geometry) {
    QLabel* label = MakePanelLabel(parent, name, Q(text), geometry, 12);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

void SetLamp(QLineEdit* lamp, const char* text, const QColor& colour) {
    lamp->setText(Q(text));
    SetTextColour(lamp, colour);
}

}  // namespace

TransferControls TransferControls::Build(MainView& view) {
    TransferControls c;
    QWidget* central = view.central;
    // Beside the hint line, right of its text.
    c.DsrCaption = MakeCaption(central, "LabeledEdit1Label", "DSR", QRect(648, 532, 30, 18));
    c.LabeledEdit1 = MakeLamp(central, "LabeledEdit1", QRect(680, 532, 20, 18));
    c.CtsCaption = MakeCaption(central, "LabeledEdit2Label", "CTS", QRect(702, 532, 30, 18));
    c.LabeledEdit2 = MakeLamp(central, "LabeledEdit2", QRect(734, 532, 20, 18));
    c.ResetLamps();

    c.GroupBox15 = new QGroupBox(Q(kNamingCaption), central);
    c.GroupBox15->setObjectName("GroupBox15");
    c.GroupBox15->setGeometry(220, 170, 320, 120);
    c.GroupBox15->setFont(GothicFont(12));
    SetPanelColour(c.GroupBox15, kTeal);
    c.Label54 = new ClickLabel(Q(kNamingChoices), c.GroupBox15);
    c.Label54->setObjectName("Label54");
    c.Label54->setFont(GothicFont(15));
    c.Label54->setTextFormat(Qt::PlainText);
    c.Label54->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetTextColour(c.Label54, Qt::white);
    const int lineHeight = QFontMetrics(c.Label54->font()).lineSpacing();
    c.Label54->setGeometry(12, 22, 250, 3 * lineHeight + 2);
    c.Edit9 = new QLineEdit(c.GroupBox15);
    c.Edit9->setObjectName("Edit9");
    c.Edit9->setGeometry(270, 24, 32, 24);
    c.Edit9->setFont(GothicFont(16));
    c.Edit9->setMaxLength(1);
    c.Edit9->setStyleSheet("QLineEdit { background: black; color: white; }");
    c.GroupBox15->hide();
    return c;
}

void TransferControls::ShowLamps(const ModemStatus& status) {
    SetLamp(LabeledEdit1, kLampOn, status.dsr ? kDsrOnColour : kDsrOffColour);
    SetLamp(LabeledEdit2, status.cts ? kLampOn : kLampOff, kLime);
}

void TransferControls::ResetLamps() {
    SetLamp(LabeledEdit1, kLampOn, kDsrOffColour);
    SetLamp(LabeledEdit2, kLampOff, kLime);
}

int TransferControls::ChoiceAt(int y) const {
    const int lineHeight = QFontMetrics(Label54->font()).lineSpacing();
    if (y < 0 || lineHeight <= 0)
        return -1;
    const int line = y / lineHeight;
    return line <= 2 ? line : -1;
}

}  // namespace kelvantori

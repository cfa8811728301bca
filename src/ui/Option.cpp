// The option dialog.
#include "ui/Option.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "ui/DialogPlace.h"
#include "ui/DialogSupport.h"
#include "ui/Fonts.h"
#include "ui/LabeledEdit.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

namespace kelvantori {

namespace {

constexpr int kFieldLeft = 16;
constexpr int kFieldTop = 10;
constexpr int kFieldPitch = 44;

int EditWidth(const OptionField& field) {
    switch (field.maxLength) {
        case 1:
            return 40;
        case 3:
            return 60;
        case 5:
            return 90;
        default:
            return 300;
    }
}

int FieldTop(int tag) {
    return kFieldTop + (tag - 1) * kFieldPitch;
}

}  // namespace

TOptionForm::TOptionForm(QWidget* window, Settings& settings, PromptService& prompts,
                         std::function<void(const OptionEffects&)> applied)
    : QDialog(window), settings_(settings), prompts_(prompts), applied_(std::move(applied)) {
    setObjectName("OptionForm");
    setWindowTitle(Q(kOptionCaption));
    setFixedSize(460, 468);
    setFont(GothicFont(12));

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(8, 8, 444, 406);
    for (std::size_t i = 0; i < OptionPages().size(); ++i) {
        auto* sheet = new QWidget();
        sheet->setObjectName(Q(OptionPages()[i].sheet));
        PageControl1->addTab(sheet, Q(OptionPages()[i].caption));
        TabSheets[i] = sheet;
    }
    const auto fields = OptionFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const OptionField& field = fields[i];
        auto* edit = new LabeledEdit(field.control.data(), field.label, TabSheets[field.page],
                                     field.allowedKeys, true);
        edit->Place(kFieldLeft, FieldTop(field.tag), EditWidth(field), 400);
        if (field.maxLength > 0)
            edit->setMaxLength(field.maxLength);
        edit->SetKeyHandler([this, i](QKeyEvent* event) { return FieldKey(i, event); });
        Fields.push_back(edit);
    }
    for (std::size_t i = 0; i < OptionHelps().size(); ++i) {
        const OptionHelp& help = OptionHelps()[i];
        HelpLabels[i] = MakeLabel(TabSheets[help.page], help.control, help.text,
                                  QRect(kFieldLeft + 56, FieldTop(help.besideTag) + 20, 340, 18));
    }
    Button1 = MakeButton(this, "Button1", "変更", QRect(248, 424, 96, 32));
    Button2 = MakeButton(this, "Button2", "戻る", QRect(356, 424, 96, 32));

    ShowSettings();
    Button1->setEnabled(false);
    for (LabeledEdit* edit : Fields) {
        connect(edit, &QLineEdit::textChanged, this, [this] { Button1->setEnabled(true); });
    }
    // A page reached by Ctrl+Tab or a click on its tab starts at its first field with the text
    // selected, as Enter and the arrows leave a field: a one-character field would otherwise
    // refuse what is typed into it.
    connect(PageControl1, &QTabWidget::currentChanged, this,
            [this](int page) { FocusTag(static_cast<std::size_t>(page), 1); });
    connect(Button1, &QPushButton::clicked, this, &TOptionForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TOptionForm::reject);

    CentreOnWindow(*this, window);
    Fields.front()->setFocus();
}

void TOptionForm::ShowSettings() {
    const auto fields = OptionFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        Fields[i]->blockSignals(true);
        Fields[i]->setText(Q(OptionFieldText(settings_, fields[i])));
        Fields[i]->blockSignals(false);
    }
}

void TOptionForm::FocusTag(std::size_t page, int tag) {
    const auto fields = OptionFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].page == page && fields[i].tag == tag) {
            Fields[i]->setFocus();
            Fields[i]->selectAll();
            return;
        }
    }
}

bool TOptionForm::FieldKey(std::size_t index, QKeyEvent* event) {
    const OptionField& field = OptionFields()[index];
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            LabeledEdit* edit = Fields[index];
            if (!edit->text().isEmpty()) {
                edit->setText(edit->text().toUpper());
                FocusTag(field.page, NextOptionTag(field.page, field.tag));
            }
            // Taken either way: Enter never presses a button of the dialog.
            return true;
        }
        case Qt::Key_Down:
            FocusTag(field.page, NextOptionTag(field.page, field.tag));
            return true;
        case Qt::Key_Up:
            FocusTag(field.page, PreviousOptionTag(field.page, field.tag));
            return true;
        default:
            return false;
    }
}

void TOptionForm::Button1Click() {
    std::vector<std::string> texts;
    texts.reserve(Fields.size());
    for (const LabeledEdit* edit : Fields)
        texts.push_back(U(edit->text()));
    const OptionEffects effects = ApplyOptionFields(settings_, texts);
    // An emptied number kept its value: the field shows what the setting holds.
    ShowSettings();
    Button1->setEnabled(false);
    if (applied_)
        applied_(effects);
}

void TOptionForm::reject() {
    if (Button1->isEnabled() && !prompts_.AskYesNo(this, kOptionCloseTitle, kOptionCloseQuestion,
                                                   PromptIcon::Information)) {
        // No: keep the changes; they are applied before the dialog closes.
        Button1Click();
    }
    QDialog::reject();
}

}  // namespace kelvantori

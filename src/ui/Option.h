// TOptionForm "ｵﾌﾟｼｮﾝ設定": the option settings on four pages, one labelled edit per field of the
// option table (core/OptionFields). Each field takes only its own keys and shows capitals; Enter
// and the arrow keys go round the fields of a page. Button1 "変更" applies the fields to the
// settings in memory, Button2 "戻る" closes, asking first when changes were not applied.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <vector>

#include "core/OptionFields.h"
#include "core/Settings.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace kelvantori {

class LabeledEdit;
class PromptService;

class TOptionForm : public QDialog {
    Q_OBJECT

  public:
    // applied: what an apply changed that the file list must follow.
    TOptionForm(QWidget* window, Settings& settings, PromptService& prompts,
                std::function<void(const OptionEffects&)> applied);

    QTabWidget* PageControl1 = nullptr;
    std::array<QWidget*, 4> TabSheets{};
    // The fields in the order of OptionFields().
    std::vector<LabeledEdit*> Fields;
    std::array<QLabel*, 3> HelpLabels{};  // Label1..Label3 of the send page
    QPushButton* Button1 = nullptr;       // 変更
    QPushButton* Button2 = nullptr;       // 戻る

    void Button1Click();

  protected:
    void reject() override;

  private:
    bool FieldKey(std::size_t index, QKeyEvent* event);
    void FocusTag(std::size_t page, int tag);
    void ShowSettings();

    Settings& settings_;
    PromptService& prompts_;
    std::function<void(const OptionEffects&)> applied_;
};

}  // namespace kelvantori

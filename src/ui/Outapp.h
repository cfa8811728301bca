// TOutAppForm "引数": the argument an application is started with, prefilled from the markers of
// its template and editable before the start.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace kelvantori {

class LabeledEdit;

inline constexpr const char* kOutAppCaption = "引数";

class TOutAppForm : public QDialog {
    Q_OBJECT

  public:
    TOutAppForm(QWidget* window, const std::string& name, const std::string& appTemplate,
                const std::string& argument);

    QLabel* Label1 = nullptr;  // the application's name
    QLabel* Label2 = nullptr;  // 起動ｱﾌﾟﾘｹｰｼｮﾝ
    QLabel* Label3 = nullptr;  // the template
    LabeledEdit* LabeledEdit1 = nullptr;
    QPushButton* Button1 = nullptr;  // OK
    QPushButton* Button2 = nullptr;  // ｷｬﾝｾﾙ

    // The argument as the dialog holds it now.
    std::string Argument() const;
};

}  // namespace kelvantori

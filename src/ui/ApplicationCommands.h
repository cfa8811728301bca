// The editor and the external applications of the list: E starts the editor on the current file
// (EditApp, else the desktop's default application for plain text), G sets the editor
// (TEditAppForm), Y sets the 26 applications (TAppopenForm), X opens the current file with the
// application the desktop associates with it. While Alt is held over the list the help panel
// GroupBox16 names the applications; Alt+A..Alt+Z (the items Menu_outa..Menu_outz of PopupMenu1)
// start one on the current file, through the argument dialog TOutAppForm when its flag is "Y".
// Programs are started without a shell and not waited for; one that cannot be started is
// reported with its name and the reason.
#pragma once

#include <QObject>
#include <string>

#include "core/AppTemplate.h"
#include "platform/ProcessLauncher.h"
#include "ui/KeyMap.h"
#include "ui/MainContext.h"

class QGroupBox;
class QLabel;
class QMenu;
class QString;

namespace kelvantori {

class ApplicationCommands : public QObject {
    Q_OBJECT

  public:
    ApplicationCommands(MainContext& context, ProcessLauncher& launcher);

    void Register(CommandRegistry& registry);

    QGroupBox* GroupBox16 = nullptr;  // the Alt help panel
    QLabel* Label30 = nullptr;        // editor, Alt+A..Alt+M
    QLabel* Label31 = nullptr;        // Alt+N..Alt+Z
    QMenu* PopupMenu1 = nullptr;      // Menu_outa..Menu_outz: Alt+A..Alt+Z, tags 2..27

    void EditFile();
    void EditorSetting();
    void ApplicationSetting();
    void OpenAssociated();
    // The items' one click handler: tag 2 is A, ... 27 is Z.
    void Menu_outaClick(int tag);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildAltPanel();
    void ShowAltPanel();
    // Places the panel's two texts, widening the panel for long names up to the window's width.
    void LayOutAltPanel(const QString& left, const QString& right);
    void HideAltPanel();
    // The host path of the current file line; empty after telling the user to select one file.
    std::string CurrentHostFile(std::string* name = nullptr);
    void ReportFailure(const std::string& program, const LaunchResult& result);

    MainContext& c_;
    ProcessLauncher& launcher_;
};

}  // namespace kelvantori

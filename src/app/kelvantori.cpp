// kelvantori: the window program. Builds the host environment, the port factory, the clock and
// the prompt service, enforces one running copy per executable name and user, and hands
// everything to TForm1.
#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLocale>
#include <QMessageBox>
#include <exception>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "platform/HostEnvironment.h"
#include "platform/ProcessLauncher.h"
#include "platform/SerialPort.h"
#include "ui/DesktopServices.h"
#include "ui/Fonts.h"
#include "ui/Mainunit1.h"
#include "ui/Prompts.h"
#include "ui/QtTranslations.h"
#include "ui/SessionServices.h"
#include "ui/SingleInstance.h"
#include "ui/TerminationSignals.h"

int main(int argc, char** argv) {
    using namespace kelvantori;
    QApplication app(argc, argv);
    QApplication::setApplicationName("Kelvantori");
    // The desktop's names of file types come in Japanese, as every text of the program does.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    InstallFontSubstitutions();
    if (const QString missing = InstallQtTranslations(app); !missing.isEmpty()) {
        // The program runs on; only Qt's own pickers and menus stay in English.
        qWarning("Qt's Japanese texts are missing (%s): install qt6-translations-l10n",
                 qPrintable(missing));
    }
    // Without a desktop session Qt knows no icon theme; the desktop's own icons are Adwaita's.
    QIcon::setFallbackThemeName("Adwaita");

    const QString executable = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
    SingleInstance instance(executable);
    if (!instance.Acquire())
        return 0;

    try {
        HostEnvironment host = HostEnvironment::Open(executable.toStdString());
        SteadyClock clock;
        QtPromptService prompts;
        const std::unique_ptr<ProcessLauncher> launcher = CreateSystemProcessLauncher();
        QtDesktopServices desktop(*launcher);
        MainDependencies dependencies{host,
                                      clock,
                                      prompts,
                                      desktop,
                                      SystemSerialPortFactory(),
                                      std::vector<std::string>(argv + 1, argv + argc),
                                      true,
                                      FolderWatcher::Options{},
                                      launcher.get()};
        LogindPowerControl power;
        DBusScreenSaver screenSaver;
        dependencies.power = &power;
        dependencies.screenSaver = &screenSaver;
        TForm1 form(std::move(dependencies));
        // The end of a session closes the window as the user would: a transfer stops first.
        TerminationSignals sessionEnd([&form](int) {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
            form.close();
        });
        instance.SetActivateHandler([&form] {
            form.showNormal();
            form.raise();
            form.activateWindow();
        });
        form.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, "Kelvantori", QString::fromUtf8(error.what()));
        return 1;
    }
}

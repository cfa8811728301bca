// The window test rig.
#include "support/UiRig.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <QApplication>
#include <QColor>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <set>

#include "core/TextCodec.h"
#include "support/ForwardingSerialPort.h"
#include "ui/FileListView.h"
#include "ui/MainView.h"

namespace kelvantori::test {

namespace {

const std::set<std::string> kOptionsKeys{"op1",         "op2",        "op3",         "op4",
                                         "op5",         "op6",        "InvTime",     "ListColumn",
                                         "Add_No",      "Power_Off",  "Send_SP_Cut", "Read_SP_Cut",
                                         "Send_Before", "AutoSelect", "MSG_OP",      "WinVer"};

}  // namespace

// Forwards to a port that outlives every port the window makes (the rig's scripted one), and
// counts the bytes that go through for AtWrite/AtRead.
class UiRig::ForwardingPort : public ForwardingSerialPort {
  public:
    ForwardingPort(SerialPort& target, UiRig& rig) : ForwardingSerialPort(target), rig_(rig) {}
    ReadResult Read(std::chrono::microseconds timeout) override {
        const ReadResult r = ForwardingSerialPort::Read(timeout);
        if (r.status == ReadStatus::Byte)
            rig_.Counted(false);
        return r;
    }
    WriteStatus Write(std::uint8_t byte) override {
        const WriteStatus status = ForwardingSerialPort::Write(byte);
        if (status == WriteStatus::Written)
            rig_.Counted(true);
        return status;
    }

  private:
    UiRig& rig_;
};

class UiRig::ThreadSafeClock : public kelvantori::Clock {
  public:
    std::chrono::nanoseconds Now() override { return std::chrono::nanoseconds(now_.load()); }
    void SleepFor(std::chrono::nanoseconds duration) override { Advance(duration); }
    void Advance(std::chrono::nanoseconds duration) { now_ += duration.count(); }

  private:
    std::atomic<std::int64_t> now_{0};
};

std::string SettingsIni(const std::vector<std::string>& lines) {
    std::string setting = "[Setting]\r\n";
    std::string options = "[Options]\r\n";
    std::string main = "[Main]\r\n";
    for (const std::string& line : lines) {
        const std::string key = line.substr(0, line.find('='));
        std::string& section = key == "Left" || key == "Top" ? main
                               : kOptionsKeys.count(key)     ? options
                                                             : setting;
        section += Utf8ToCp932(line) + "\r\n";
    }
    return main + setting + options;
}

UiRig::UiRig() : UiRig(Options{}) {}

UiRig::UiRig(Options options)
    : options_(std::move(options)),
      trashHome_("XDG_DATA_HOME", trash_.Path()),
      watchClock_(std::make_unique<ThreadSafeClock>()) {
    std::string hostIni = "[Drives]\nC=" + c_.Path() + "\nD=" + d_.Path() + "\n";
    if (!options_.ports.empty()) {
        hostIni += "[Ports]\n";
        for (const std::string& line : options_.ports)
            hostIni += line + "\n";
    }
    home_.Write("Host.ini", hostIni);
    std::vector<std::string> settings = options_.settings;
    const bool folderGiven = std::any_of(settings.begin(), settings.end(), [](const auto& line) {
        return line.rfind("DirPath=", 0) == 0;
    });
    if (!folderGiven)
        settings.push_back("DirPath=D:");
    home_.Write("kelvantori.INI", SettingsIni(settings));
}

UiRig::~UiRig() {
    form_.reset();
}

void UiRig::Start() {
    host_ = std::make_unique<HostEnvironment>(ProgramFolder(home_.Path(), "kelvantori"));
    FolderWatcher::Options watch;
    watch.clock = watchClock_.get();
    PortFactory ports = [this](const HostConfig&) -> std::unique_ptr<SerialPort> {
        return std::make_unique<ForwardingPort>(port_, *this);
    };
    if (options_.realLine)
        ports = SystemSerialPortFactory();
    MainDependencies dependencies{*host_,
                                  options_.realLine ? static_cast<kelvantori::Clock&>(realClock_)
                                                    : static_cast<kelvantori::Clock&>(clock_),
                                  prompts_,
                                  desktop_,
                                  ports,
                                  options_.arguments,
                                  options_.watchFolder,
                                  watch,
                                  &launcher_};
    dependencies.power = &power_;
    dependencies.screenSaver = &screenSaver_;
    form_ = std::make_unique<TForm1>(std::move(dependencies));
    bool idle = false;
    auto firstIdle = form_->hooks().firstIdle;
    form_->hooks().firstIdle = [&idle, firstIdle] {
        idle = true;
        if (firstIdle)
            firstIdle();
    };
    form_->show();
    QApplication::setActiveWindow(form_.get());
    for (int i = 0; i < 100 && !idle; ++i)
        QApplication::processEvents();
    form_->hooks().firstIdle = firstIdle;
    started_ = idle;
}

MainView& UiRig::View() {
    return form_->view();
}

void UiRig::Settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

QWidget* UiRig::Focus() {
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus : View().ListBox1;
}

void UiRig::Press(int key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(Focus(), static_cast<Qt::Key>(key), modifiers);
    Settle();
}

void UiRig::Type(const QString& text) {
    QTest::keyClicks(Focus(), text);
    Settle();
}

void UiRig::PostKey(int key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = Focus();
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, modifiers));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, modifiers));
}

void UiRig::AtWrite(std::size_t bytes, std::function<void()> action) {
    atWrite_.emplace(bytes, std::move(action));
}

void UiRig::AtRead(std::size_t bytes, std::function<void()> action) {
    atRead_.emplace(bytes, std::move(action));
}

void UiRig::Counted(bool written) {
    auto& hooks = written ? atWrite_ : atRead_;
    const std::size_t count = written ? ++writes_ : ++reads_;
    for (auto it = hooks.begin(); it != hooks.end() && it->first <= count;) {
        const auto action = std::move(it->second);
        it = hooks.erase(it);
        action();
    }
}

QStringList UiRig::LogLines() {
    if (!home_.Exists("kelvantori.log"))
        return {};
    const QString text = QString::fromStdString(Cp932ToUtf8(home_.Read("kelvantori.log")));
    QStringList lines = text.split("\r\n");
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.pop_back();
    return lines;
}

void UiRig::FireTimer1() {
    QTimer* timer = View().Timer1;
    if (timer->isActive())
        form_->Timer1Timer();
    Settle();
}

QStringList UiRig::Lines() {
    QStringList lines;
    // Blanks at the end of a line are not seen.
    for (const std::string& line : Model().Lines()) {
        QString text = QString::fromStdString(line);
        while (text.endsWith(' '))
            text.chop(1);
        lines.push_back(text);
    }
    return lines;
}

int UiRig::Selected() {
    return Model().Selected();
}

QWidget* UiRig::Control(const char* name) {
    return form_->findChild<QWidget*>(name);
}

QString UiRig::Text(const char* name) {
    QWidget* widget = Control(name);
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    return QString("(no text control %1)").arg(name);
}

QColor UiRig::TextColour(const char* name) {
    QWidget* widget = Control(name);
    return widget ? widget->palette().color(QPalette::WindowText) : QColor();
}

bool UiRig::Visible(const char* name) {
    QWidget* widget = Control(name);
    return widget && widget->isVisible();
}

void UiRig::WriteFile(const std::string& name, const std::string& bytes,
                      const std::string& modified) {
    d_.Write(name, bytes);
    SetTime(name, modified);
}

void UiRig::SetTime(const std::string& name, const std::string& modified) {
    const std::string path = d_.File(name);
    std::tm local{};
    strptime(modified.c_str(), "%Y-%m-%d %H:%M", &local);
    local.tm_isdst = 0;
    const std::time_t seconds = std::mktime(&local);
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

void UiRig::AdvanceWatchClock(std::chrono::nanoseconds duration) {
    watchClock_->Advance(duration);
}

}  // namespace kelvantori::test

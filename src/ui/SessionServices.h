// What the desktop session gives the window around transfers: switching the PC off after a
// transfer ordered with END (logind's PowerOff over the system bus), and keeping the screen saver
// off while a transfer or a long file operation runs (the freedesktop screen saver over the
// session bus). Each behind a small interface that tests replace, so no test can switch anything
// off.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kelvantori {

struct PowerOffResult {
    bool requested = false;  // the system took the request
    std::string reason;      // why it did not, in the system's words
};

class PowerControl {
  public:
    virtual ~PowerControl() = default;
    virtual PowerOffResult PowerOff() = 0;
};

class ScreenSaverControl {
  public:
    virtual ~ScreenSaverControl() = default;
    // Keeps the screen saver off until UnInhibit(cookie); nullopt when the session has no screen
    // saver service (there is nothing to keep off then).
    virtual std::optional<std::uint32_t> Inhibit(const std::string& reason) = 0;
    virtual void UnInhibit(std::uint32_t cookie) = 0;
};

// The screen saver stays off while this lives.
class ScreenSaverInhibition {
  public:
    ScreenSaverInhibition(ScreenSaverControl& control, const std::string& reason)
        : control_(control), cookie_(control.Inhibit(reason)) {}
    ~ScreenSaverInhibition() {
        if (cookie_)
            control_.UnInhibit(*cookie_);
    }
    ScreenSaverInhibition(const ScreenSaverInhibition&) = delete;
    ScreenSaverInhibition& operator=(const ScreenSaverInhibition&) = delete;

  private:
    ScreenSaverControl& control_;
    std::optional<std::uint32_t> cookie_;
};

// "電源を切れませんでした。\n" + the reason.
std::string PowerOffRefusedMessage(const PowerOffResult& result);

// org.freedesktop.login1.Manager.PowerOff on the system bus, without interaction: an unattended
// run ordered by a batch file must not wait for a password, so a refusal comes back at once.
class LogindPowerControl : public PowerControl {
  public:
    PowerOffResult PowerOff() override;
};

// org.freedesktop.ScreenSaver.Inhibit/UnInhibit on the session bus; nothing when the session has
// no such service.
class DBusScreenSaver : public ScreenSaverControl {
  public:
    std::optional<std::uint32_t> Inhibit(const std::string& reason) override;
    void UnInhibit(std::uint32_t cookie) override;
};

// Where no session service is given (benchmarks, tests that do not look): power-off is refused
// with a reason, there is no screen saver.
class NoPowerControl : public PowerControl {
  public:
    PowerOffResult PowerOff() override { return {false, "電源の操作は使えません。"}; }
};
class NoScreenSaver : public ScreenSaverControl {
  public:
    std::optional<std::uint32_t> Inhibit(const std::string&) override { return std::nullopt; }
    void UnInhibit(std::uint32_t) override {}
};

}  // namespace kelvantori

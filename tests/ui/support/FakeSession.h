// The session services of the window's tests: a power-off that records the request and answers
// as scripted (nothing is ever switched off), and a screen saver that counts its inhibitions.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "ui/SessionServices.h"

namespace kelvantori::test {

class FakePower : public PowerControl {
  public:
    // The answer to the next requests (taken by default).
    void Answer(PowerOffResult result) { answer_ = std::move(result); }
    PowerOffResult PowerOff() override {
        ++requests;
        return answer_;
    }
    int requests = 0;

  private:
    PowerOffResult answer_{true, {}};
};

class FakeScreenSaver : public ScreenSaverControl {
  public:
    std::optional<std::uint32_t> Inhibit(const std::string& reason) override {
        reasons.push_back(reason);
        active.insert(++next_);
        return next_;
    }
    void UnInhibit(std::uint32_t cookie) override { active.erase(cookie); }

    std::vector<std::string> reasons;  // every inhibition asked for
    std::set<std::uint32_t> active;    // those not released yet

  private:
    std::uint32_t next_ = 0;
};

}  // namespace kelvantori::test

// The process launcher of the window's tests: every start the window makes is recorded (the
// program and its arguments) and then made by the system's launcher, so a test can both run a
// real program and tell that no start was made at all.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ProcessLauncher.h"

namespace kelvantori::test {

class RecordingLauncher : public ProcessLauncher {
  public:
    std::optional<FoundProgram> FindProgram(std::string_view program) override {
        return system_->FindProgram(program);
    }
    LaunchResult Start(const std::string& program,
                       const std::vector<std::string>& arguments) override {
        std::vector<std::string> start{program};
        start.insert(start.end(), arguments.begin(), arguments.end());
        starts.push_back(start);
        return system_->Start(program, arguments);
    }

    // Each start: the program, then its arguments.
    std::vector<std::vector<std::string>> starts;

  private:
    std::unique_ptr<ProcessLauncher> system_ = CreateSystemProcessLauncher();
};

}  // namespace kelvantori::test

// A program for the tests that start programs: a shell script that writes the arguments it was
// started with, one per line, into "<script>.args" (all at once, by a rename), so a test can see
// exactly what a start handed over. The script runs as a real process; the test waits for it.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kelvantori::test {

class RecordingProgram {
  public:
    // Writes the script at a host path (its folder must exist) and makes it executable.
    explicit RecordingProgram(std::string hostPath) : path_(std::move(hostPath)) {
        std::ofstream(path_) << "#!/bin/sh\n"
                                "for a in \"$@\"; do printf '%s\\n' \"$a\"; done >\"$0.args.tmp\"\n"
                                "mv \"$0.args.tmp\" \"$0.args\"\n";
        ::chmod(path_.c_str(), 0755);
    }

    const std::string& Path() const { return path_; }

    // The arguments of the run, once the program has written them; nullopt when it has not
    // within the time (it was not started). A real process: the test has to wait for it.
    std::optional<std::vector<std::string>> WaitForArguments(
        std::chrono::milliseconds timeout = std::chrono::seconds(10)) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        const std::string args = path_ + ".args";
        while (!std::filesystem::exists(args)) {
            if (std::chrono::steady_clock::now() > deadline)
                return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::ifstream in(args);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    // Whether it has run at all (for the checks that a start did not happen, made after a start
    // that did happen elsewhere has been waited for).
    bool Ran() const { return std::filesystem::exists(path_ + ".args"); }

  private:
    std::string path_;
};

}  // namespace kelvantori::test

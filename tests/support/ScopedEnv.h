// Sets (or removes) an environment variable for the life of a test scope and restores the old
// value afterwards, so a test that points HOME, TZ or KELVANTORI_HOME elsewhere leaves no trace.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace kelvantori::test {

class ScopedEnv {
  public:
    // value nullopt removes the variable.
    ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str()))
            old_ = old;
        Set(value);
    }
    ~ScopedEnv() { Set(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    void Set(const std::optional<std::string>& value) const {
        if (value)
            setenv(name_.c_str(), value->c_str(), 1);
        else
            unsetenv(name_.c_str());
        tzset();  // the local time follows TZ at once
    }

    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace kelvantori::test

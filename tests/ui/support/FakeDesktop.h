// The desktop of the window's tests: a scripted folder browser and fixed file kinds.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/DesktopServices.h"

namespace kelvantori::test {

class FakeDesktop : public DesktopServices {
  public:
    // The host folder the next folder browser chooses (nullopt: cancelled).
    void BrowseAnswer(std::optional<std::string> hostFolder) { browse_.push_back(hostFolder); }
    // The type name the desktop gives every file ("" for none).
    void SetTypeName(std::string name) { typeName_ = std::move(name); }

    std::optional<std::string> BrowseFolder(QWidget*, const std::string& title,
                                            const std::string& start) override {
        browseTitles.push_back(title);
        browseStarts.push_back(start);
        if (browse_.empty())
            return std::nullopt;
        auto answer = browse_.front();
        browse_.pop_front();
        return answer;
    }
    DesktopFileKind KindOf(const std::string&, bool folder) override {
        return DesktopFileKind{folder ? std::string() : typeName_, QIcon()};
    }
    QIcon DriveIcon(DriveType) override { return QIcon(); }

    std::vector<std::string> browseTitles;
    std::vector<std::string> browseStarts;

  private:
    std::deque<std::optional<std::string>> browse_;
    std::string typeName_;
};

}  // namespace kelvantori::test

// The desktop of the window's tests: a scripted folder browser and program dialog, fixed file
// kinds, a plain-text editor that is set or not, and "open" of a file recorded with a set result.
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

    // The host file the next program dialog chooses (nullopt: cancelled).
    void ProgramAnswer(std::optional<std::string> hostFile) { programs_.push_back(hostFile); }
    // The program (a host path) of the desktop's plain-text editor; nullopt: there is none.
    void SetPlainTextEditor(std::optional<std::string> program) { editor_ = std::move(program); }
    // What "open with the associated application" answers.
    void SetOpenResult(LaunchResult result) { openResult_ = std::move(result); }

    std::optional<std::string> ChooseProgram(QWidget*, const std::string& title,
                                             const std::string& start) override {
        programTitles.push_back(title);
        programStarts.push_back(start);
        if (programs_.empty())
            return std::nullopt;
        auto answer = programs_.front();
        programs_.pop_front();
        return answer;
    }
    std::optional<DesktopCommand> PlainTextEditor(const std::string& hostFile) override {
        if (!editor_)
            return std::nullopt;
        return DesktopCommand{"editor.desktop", "Editor", "", {*editor_, hostFile}};
    }
    LaunchResult OpenWithAssociated(const std::string& hostFile) override {
        opened.push_back(hostFile);
        return openResult_;
    }

    std::vector<std::string> browseTitles;
    std::vector<std::string> browseStarts;
    std::vector<std::string> programTitles;
    std::vector<std::string> programStarts;
    std::vector<std::string> opened;

  private:
    std::deque<std::optional<std::string>> browse_;
    std::deque<std::optional<std::string>> programs_;
    std::string typeName_;
    std::optional<std::string> editor_;
    LaunchResult openResult_{true, {}};
};

}  // namespace kelvantori::test

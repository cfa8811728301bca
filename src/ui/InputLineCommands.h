// Edit1, the one-line input box: a command begins one of its modes with a prompt in Label11;
// typed characters the mode refuses are dropped with a message; Enter carries the mode out
// (a copy to a new name, a folder change or creation, a new mask, the name of a receive); Esc
// cancels; F10 closes the window.
#pragma once

#include <functional>
#include <string>

#include "files/InputLine.h"
#include "ui/MainContext.h"

class QKeyEvent;

namespace kelvantori {

class InputLineCommands {
  public:
    explicit InputLineCommands(MainContext& context) : c_(context) {}

    // Enables Edit1 with a text, shows the prompt, disables the list and gives Edit1 the focus.
    // sourceName: the file a copy is made of (copy name mode).
    void Begin(InputMode mode, const std::string& text, const std::string& sourceName = {});
    InputMode Mode() const { return mode_; }

    // The receive of a typed name (the transfer area starts it): the target's drive path and
    // its file name.
    void SetReceiveStarter(std::function<void(const NamedTarget&)> start) {
        startReceive_ = std::move(start);
    }

    // A key pressed in Edit1; true when it was taken.
    bool KeyPressed(QKeyEvent* event);

  private:
    void Enter();
    void CopyName(const std::string& typed);
    void ChangeFolder(const std::string& typed);
    void ChangeExtension(const std::string& typed);
    void ReceiveName(const std::string& typed);
    void Finish();
    bool RefuseCharacters(const std::string& text);

    MainContext& c_;
    InputMode mode_ = InputMode::None;
    std::string sourceName_;
    std::function<void(const NamedTarget&)> startReceive_;
};

}  // namespace kelvantori

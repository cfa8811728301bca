// O: the option dialog (TOptionForm), and what the file list does after an apply.
#pragma once

#include "core/OptionFields.h"
#include "ui/KeyMap.h"
#include "ui/MainContext.h"

namespace kelvantori {

class OptionCommands {
  public:
    explicit OptionCommands(MainContext& context) : c_(context) {}

    void Register(CommandRegistry& registry);

    void Options();
    // The list follows an apply: AllFiles and ListColumn read it again (and start Timer1), op3
    // and op4 draw its lines again.
    void Applied(const OptionEffects& effects);

  private:
    MainContext& c_;
};

}  // namespace kelvantori

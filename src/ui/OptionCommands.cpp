// The option command.
#include "ui/OptionCommands.h"

#include "ui/FileListView.h"
#include "ui/MainView.h"
#include "ui/Option.h"
#include "ui/Prompts.h"

namespace kelvantori {

using namespace std::chrono_literals;

void OptionCommands::Register(CommandRegistry& registry) {
    registry.Register(Command::Options, [this] { Options(); });
}

void OptionCommands::Options() {
    TOptionForm form(c_.actions.Window(), c_.settings, c_.prompts,
                     [this](const OptionEffects& effects) { Applied(effects); });
    c_.prompts.RunDialog(form);
    c_.actions.FocusList();
}

void OptionCommands::Applied(const OptionEffects& effects) {
    if (effects.listColumnChanged) {
        c_.view.ApplyListColumns(c_.settings.ListColumn);
        c_.model.SetRowsPerColumn(c_.view.ListBox1->RowsPerColumn());
    }
    if (effects.allFilesChanged || effects.listColumnChanged) {
        c_.actions.RefreshFileList(false, true, false);
        c_.actions.StartTimer1(1000ms);
    } else if (effects.listTextChanged) {
        c_.actions.RefreshFileList(false, true, true);
    }
}

}  // namespace kelvantori

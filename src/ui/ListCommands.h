// The keys that move through the list and mark its files (Esc, Space, Page Up/Down, Home, End,
// T, Z, Enter, clicks) and the sort setting box (key S, GroupBox14 with Edit7).
#pragma once

#include "ui/KeyMap.h"
#include "ui/MainContext.h"

class QKeyEvent;

namespace kelvantori {

inline constexpr const char* kSortCharacters = "NST-UDnstud";
inline constexpr const char* kSortRefusedMessage = "ソート設定を確認ください!!";

class ListCommands {
  public:
    explicit ListCommands(MainContext& context) : c_(context) {}

    void Register(CommandRegistry& registry);
    // The clickable labels of the sort box.
    void ConnectLabels();

    // Enter in the list and the double click: a folder is opened, a file's mark toggled.
    void Enter();
    void Click(int line);
    void DoubleClick(int line);
    void ShiftClick(int line);

    // A key pressed in Edit7 (the sort box); true when it was taken.
    bool SortBoxKey(QKeyEvent* event);

  private:
    void Cancel();
    void RefreshList();
    void PageUp();
    void PageDown();
    void ClearMarks();
    void MarkFromCurrent();
    void MoveToTop();
    void MoveToBottom();
    void SortSetting();
    void ApplySortSetting();
    void CloseSortBox();
    void Shown();

    MainContext& c_;
};

}  // namespace kelvantori

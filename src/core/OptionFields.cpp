// The option fields and their apply.
#include "core/OptionFields.h"

#include <algorithm>
#include <charconv>

namespace kelvantori {

namespace {

constexpr std::string_view kYesNo = "YNyn";
constexpr std::string_view kPortKeys = "COMcom0123456789";

constexpr std::array<OptionPage, 4> kPages{{
    {"TabSheet1", "通信全般"},
    {"TabSheet2", "受信"},
    {"TabSheet3", "送信"},
    {"TabSheet4", "その他"},
}};

constexpr std::array<OptionHelp, 3> kHelps{{
    {2, "Label1", "(1:%+LF 2:%%+LF 3:% * 4:% 5:%%)", 3},
    {2, "Label2", "(1:% 2:%% 3:%+LF 4:%%+LF)", 4},
    {2, "Label3", "(0:標準 1:ｽﾍﾟｰｽ 2:ﾀｲﾏｰ)", 2},
}};

using S = Settings;

// clang-format off
const std::array<OptionField, 24> kFields{{
    {0, 1, "LabeledEdit3",  "ＤＲ信号を常にON(Y/N)",              1, kYesNo,        &S::op1, nullptr},
    {0, 2, "LabeledEdit6",  "DC3を0x93にする(Y/N)",               1, kYesNo,        &S::Dc3As93, nullptr},
    {0, 3, "LabeledEdit7",  "o番号毎に分割時連番をつける(Y/N)",   1, kYesNo,        &S::Add_No, nullptr},
    {0, 4, "LabeledEdit18", "ﾓﾃﾞﾑﾎﾟｰﾄ番号１(例:COM1)",            5, kPortKeys,     &S::ModemePort1, nullptr},
    {0, 5, "LabeledEdit19", "ﾓﾃﾞﾑﾎﾟｰﾄ番号２(例:COM12)",           5, kPortKeys,     &S::ModemePort2, nullptr},
    {0, 6, "LabeledEdit14", "自動ﾎﾟｰﾄ切替(Y/N)",                  1, kYesNo,        &S::AutoSelect, nullptr},
    {0, 7, "LabeledEdit10", "送受信完了後、ＰＣ電源断(Y/N)",      1, kYesNo,        &S::Power_Off, nullptr},
    {0, 8, "LabeledEdit24", "DSR信号を併用する(Y/N)",             1, kYesNo,        &S::op6, nullptr},
    {1, 1, "LabeledEdit1",  "受信時Ｏ→：に変換(Y/N)",             1, kYesNo,        &S::OColonChange, nullptr},
    {1, 2, "LabeledEdit23", "受信中止でもﾃﾞｰﾀ保存(Y/N)",          1, kYesNo,        &S::op5, nullptr},
    {1, 3, "LabeledEdit12", "受信時、ﾜｰﾄﾞ毎にｽﾍﾟｰｽをつけない(Y/N)", 1, kYesNo,      &S::Read_SP_Cut, nullptr},
    {1, 4, "LabeledEdit15", "受信 0:自動判別 1:ISO 2:EIA 3:ASCII", 1, "0123",        nullptr, &S::R_Code},
    {2, 1, "LabeledEdit4",  "ｳｪｲﾄﾀｲﾑ(msec)",                      3, "1234567890",  nullptr, &S::InvTime},
    {2, 2, "LabeledEdit13", "送信時、前処理(0-2)",                1, "0123",        nullptr, &S::Send_Before},
    {2, 3, "LabeledEdit8",  "ｽﾀｰﾄｷｬﾗﾀｲﾌﾟ(1-5)",                   1, "12345",       nullptr, &S::StartChar_Type},
    {2, 4, "LabeledEdit9",  "ｴﾝﾄﾞｷｬﾗﾀｲﾌﾟ(1-4)",                   1, "1234",        nullptr, &S::EndChar_Type},
    {2, 5, "LabeledEdit11", "送信時、ｽﾍﾟｰｽは送らない(Y/N)",       1, kYesNo,        &S::Send_SP_Cut, nullptr},
    {2, 6, "LabeledEdit16", "送信時、送信しない文字列",           0, "",            &S::SendMsg1, nullptr},
    {2, 7, "LabeledEdit17", "注釈(；か’)以降も送信(Y/N)",        1, kYesNo,        &S::MSG_OP, nullptr},
    {2, 8, "LabeledEdit20", "ＮＣからの中止信号は無効(Y/N)",      1, kYesNo,        &S::op2, nullptr},
    {3, 1, "LabeledEdit2",  "ﾌｧｲﾙをすべて表示(Y/N)",              1, kYesNo,        &S::AllFiles, nullptr},
    {3, 2, "LabeledEdit5",  "ﾌｧｲﾙ表示列数(1-5)",                  1, "12345",       nullptr, &S::ListColumn},
    {3, 3, "LabeledEdit21", "ﾘｽﾄ大文字表示 (Y/N)",                1, kYesNo,        &S::op3, nullptr},
    {3, 4, "LabeledEdit22", "ﾛﾝｸﾞﾌｧｲﾙ名で表示(Y/N)",              1, kYesNo,        &S::op4, nullptr},
}};
// clang-format on

int TagsOnPage(std::size_t page) {
    return static_cast<int>(std::count_if(kFields.begin(), kFields.end(),
                                          [page](const OptionField& f) { return f.page == page; }));
}

}  // namespace

const std::array<OptionPage, 4>& OptionPages() {
    return kPages;
}

const std::array<OptionHelp, 3>& OptionHelps() {
    return kHelps;
}

std::span<const OptionField> OptionFields() {
    return kFields;
}

bool OptionFieldTakes(const OptionField& field, std::string_view typed) {
    if (field.allowedKeys.empty())
        return true;
    return typed.size() == 1 && field.allowedKeys.find(typed[0]) != std::string_view::npos;
}

std::string OptionFieldText(const Settings& settings, const OptionField& field) {
    if (field.integer != nullptr)
        return std::to_string(settings.*field.integer);
    return settings.*field.text;
}

int NextOptionTag(std::size_t page, int tag) {
    const int tags = TagsOnPage(page);
    return tag >= tags ? 1 : tag + 1;
}

int PreviousOptionTag(std::size_t page, int tag) {
    const int tags = TagsOnPage(page);
    return tag <= 1 ? tags : tag - 1;
}

OptionEffects ApplyOptionFields(Settings& settings, const std::vector<std::string>& texts) {
    const Settings before = settings;
    for (std::size_t i = 0; i < kFields.size() && i < texts.size(); ++i) {
        const OptionField& field = kFields[i];
        const std::string& text = texts[i];
        if (field.text != nullptr) {
            settings.*field.text = text;
            continue;
        }
        // An empty field has no number: the setting keeps the value it had.
        int value = 0;
        const char* end = text.data() + text.size();
        const auto [last, error] = std::from_chars(text.data(), end, value);
        if (!text.empty() && error == std::errc() && last == end)
            settings.*field.integer = value;
    }
    if (settings.ListColumn < 1 || settings.ListColumn > 5)
        settings.ListColumn = 5;
    OptionEffects effects;
    effects.allFilesChanged = settings.AllFiles != before.AllFiles;
    effects.listColumnChanged = settings.ListColumn != before.ListColumn;
    effects.listTextChanged = settings.op3 != before.op3 || settings.op4 != before.op4;
    return effects;
}

}  // namespace kelvantori

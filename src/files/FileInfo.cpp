// The file information dialog's checks, texts and apply.
#include "files/FileInfo.h"

#include "core/DateTime.h"
#include "core/DrivePath.h"
#include "files/SizeText.h"
#include "platform/LocalTime.h"

namespace kelvantori {

namespace {

struct FieldRule {
    int low;
    int high;
    const char* message;
    const char* missing;
};

// In the order of the fields; the minute and the second share their message.
constexpr FieldRule kRules[6] = {
    {1970, 9999, "年数は1970以降でお願いします。", "年が入力されていません。"},
    {1, 12, "１から１２までしか入力出来ません", "月が入力されていません。"},
    {1, 31, "１から３１までしか入力出来ません", "日が入力されていません。"},
    {0, 23, "０から２３までしか入力出来ません", "時が入力されていません。"},
    {0, 59, "０から５９までしか入力出来ません", "分が入力されていません。"},
    {0, 59, "０から５９までしか入力出来ません", "秒が入力されていません。"},
};

std::optional<int> Number(std::string_view text) {
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The fields as a time; only for fields that passed their checks.
LocalDateTime TimeOf(const TimeFields& fields) {
    return {Number(fields[0]).value_or(0), Number(fields[1]).value_or(0),
            Number(fields[2]).value_or(0), Number(fields[3]).value_or(0),
            Number(fields[4]).value_or(0), Number(fields[5]).value_or(0)};
}

int IndexOf(InfoField field) {
    return static_cast<int>(field);
}

}  // namespace

TimeFields TimeFieldsOf(std::string_view listTime) {
    static constexpr std::size_t kStart[6] = {0, 5, 8, 11, 14, 17};
    static constexpr std::size_t kLength[6] = {4, 2, 2, 2, 2, 2};
    TimeFields fields;
    for (int i = 0; i < 6; ++i) {
        if (kStart[i] < listTime.size())
            fields[i] = std::string(listTime.substr(kStart[i], kLength[i]));
    }
    return fields;
}

int TimeFieldLength(InfoField field) {
    return field == InfoField::Year ? 4 : 2;
}

bool AcceptsTimeFieldChar(char c) {
    return (c >= '0' && c <= '9') || c == '\b';
}

std::optional<FieldProblem> CheckTimeField(InfoField field, std::string_view text) {
    const int i = IndexOf(field);
    if (i < 0 || i >= 6)
        return std::nullopt;
    const auto& rule = kRules[i];
    if (text.empty())
        return FieldProblem{field, rule.missing};
    const auto value = Number(text);
    if (!value || *value < rule.low || *value > rule.high)
        return FieldProblem{field, rule.message};
    return std::nullopt;
}

InfoField NextFocus(InfoField field, bool applyEnabled) {
    if (field == InfoField::Second || field == InfoField::Apply || field == InfoField::Close)
        return applyEnabled ? InfoField::Apply : InfoField::Close;
    return static_cast<InfoField>(IndexOf(field) + 1);
}

std::optional<FieldProblem> CheckTimeFields(const TimeFields& fields) {
    for (int i = 0; i < 6; ++i) {
        if (auto problem = CheckTimeField(static_cast<InfoField>(i), fields[i]))
            return problem;
    }
    const LocalDateTime t = TimeOf(fields);
    if (t.day > DaysInMonth(t.year, t.month)) {
        return FieldProblem{InfoField::Day, std::to_string(t.year) + "年" +
                                                std::to_string(t.month) + "月には" +
                                                std::to_string(t.day) + "日が有りません。"};
    }
    // A clock time skipped when summer time begins names no moment of this zone.
    if (!FromLocalTime(t))
        return FieldProblem{InfoField::Hour, "この日時は指定出来ません。"};
    return std::nullopt;
}

std::string KindText(std::string_view name, bool folder, bool executable) {
    if (folder)
        return std::string(kFolderKindText);
    const std::string extension = AsciiUpper(FileExtensionOf(name));
    if (extension == ".EXE" || executable)
        return std::string(kApplicationKindText);
    if (extension.size() <= 1)
        return "ﾌｧｲﾙ";
    return extension.substr(1) + " ﾌｧｲﾙ";
}

std::string KindLine(const FileInfoView& view, std::string_view desktopTypeName) {
    if (view.folder || view.application || desktopTypeName.empty())
        return view.kindLine;
    return std::string(kKindPrefix) + std::string(desktopTypeName);
}

std::optional<FileInfoView> ReadFileInfo(FileSystem& files, std::string_view dirPath,
                                         std::string_view name) {
    const auto stat = files.Stat(JoinDrivePath(dirPath, name));
    if (!stat)
        return std::nullopt;
    FileInfoView view;
    view.name = std::string(name);
    view.folder = stat->isDirectory;
    const std::string kind = KindText(name, stat->isDirectory, stat->executable);
    view.application = kind == kApplicationKindText;
    view.kindLine = std::string(kKindPrefix) + kind;
    view.placeLine = std::string(kPlacePrefix) + JoinDrivePath(dirPath, "");
    view.sizeLine =
        stat->isDirectory ? std::string(kFolderInfoSizeText) : FileInfoSizeText(stat->size);
    view.attributes = stat->attributes;
    if (const auto local = ToLocalTime(stat->modified))
        view.time = TimeFieldsOf(FormatListTime(*local));
    return view;
}

ApplyOutcome ApplyFileInfo(FileSystem& files, std::string_view path, const TimeFields& fields,
                           const DosAttributes& attributes) {
    ApplyOutcome outcome;
    outcome.problem = CheckTimeFields(fields);
    if (outcome.problem)
        return outcome;
    const auto stat = files.Stat(path);
    if (!stat) {
        outcome.error = FsErrorMessage(FsError::NotFound);
        return outcome;
    }
    if (!stat->isDirectory) {
        const FsError error = files.SetModified(path, *FromLocalTime(TimeOf(fields)));
        if (error != FsError::None)
            outcome.error = "更新日時を変更出来ませんでした。\n" + FsErrorMessage(error);
    }
    const FsError error = files.SetAttributes(path, attributes);
    if (error != FsError::None) {
        if (!outcome.error.empty())
            outcome.error += "\n";
        outcome.error += "属性を変更出来ませんでした。\n" + FsErrorMessage(error);
    }
    return outcome;
}

}  // namespace kelvantori

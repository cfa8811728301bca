// The drive menu of key L (one item per drive letter whose type is known, captioned
// "&C: (固定ﾃﾞｨｽｸ)"), the choice of a drive from it, and the floppy check made at start-up and
// when drive A: is chosen: a floppy drive without a disk asks the user to insert one.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DriveMap.h"

namespace kelvantori {

inline constexpr std::string_view kFloppyTitle = "ＦＤ確認";
inline constexpr std::string_view kFloppyQuestion =
    "ディレクトリの設定がフロッピーディスクです。\nフロッピーディスクを使用する場合は挿入してから"
    "ＯＫを押してください。\nキャンセルの場合はデフォルト設定です。";

struct DriveMenuItem {
    char letter = 0;  // 'A'..'Z'
    DriveType type = DriveType::Unknown;
    std::string caption;  // "&C: (固定ﾃﾞｨｽｸ)"; the letter is the item's accelerator
};

// The text after the letter: ": (ﾌﾛｯﾋﾟｰﾃﾞｨｽｸ)" for a removable A:, ": (ﾘﾑｰﾊﾞﾌﾞﾙﾃﾞｨｽｸ)" for other
// removable drives, ": (固定ﾃﾞｨｽｸ)", ": (ﾈｯﾄﾜｰｸ)", ": (CD-ROM)", ": (RAM ﾃﾞｨｽｸ)"; "" for Unknown.
std::string DriveCaptionText(char letter, DriveType type);

// The items for A..Z in order; letters without a known type are not listed.
std::vector<DriveMenuItem> BuildDriveMenu(const DriveMap& drives);

// The drive of an item: characters 2 and 3 of its caption ("C:").
std::string DriveOfCaption(std::string_view caption);

// "Can the volume of A: be read" (FileSystem::VolumeReadable('A')) and the answer to the
// "ＦＤ確認" question (OK and Cancel, warning icon): true for OK.
struct FloppyCheck {
    std::function<bool()> floppyReadable;
    std::function<bool(std::string_view title, std::string_view text)> askOk;
};

// The check of start-up: when DirPath is exactly "A:" or "a:" and A: cannot be read, the
// question; OK with the disk now readable keeps DirPath, OK with still no disk gives "c:\",
// Cancel "c:". Any other DirPath comes back unchanged, without a question.
std::string CheckFloppyAtStart(std::string_view dirPath, const FloppyCheck& check);

struct DriveChoice {
    std::string DirPath;  // the new data folder, or the old one when the choice was given up
    bool changed = false;
};

// The drive menu's choice. A: without a readable volume asks first; Cancel, or OK with still
// no disk, keeps dirPath. Otherwise DirPath becomes the bare drive (its root). Either way the
// caller makes a full refresh.
DriveChoice SelectDrive(std::string_view caption, std::string_view dirPath,
                        const FloppyCheck& check);

}  // namespace kelvantori

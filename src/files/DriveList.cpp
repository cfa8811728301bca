// The drive menu and the floppy check.
#include "files/DriveList.h"

namespace kelvantori {

namespace {

bool IsDriveA(std::string_view drive) {
    return drive == "A:" || drive == "a:";
}

}  // namespace

std::string DriveCaptionText(char letter, DriveType type) {
    switch (type) {
        case DriveType::Removable:
            return letter == 'A' || letter == 'a' ? ": (ﾌﾛｯﾋﾟｰﾃﾞｨｽｸ)" : ": (ﾘﾑｰﾊﾞﾌﾞﾙﾃﾞｨｽｸ)";
        case DriveType::Fixed:
            return ": (固定ﾃﾞｨｽｸ)";
        case DriveType::Remote:
            return ": (ﾈｯﾄﾜｰｸ)";
        case DriveType::CdRom:
            return ": (CD-ROM)";
        case DriveType::RamDisk:
            return ": (RAM ﾃﾞｨｽｸ)";
        case DriveType::Unknown:
            break;
    }
    return {};
}

std::vector<DriveMenuItem> BuildDriveMenu(const DriveMap& drives) {
    std::vector<DriveMenuItem> items;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const DriveType type = drives.TypeOf(letter);
        if (type == DriveType::Unknown)
            continue;
        items.push_back(
            {letter, type, "&" + std::string(1, letter) + DriveCaptionText(letter, type)});
    }
    return items;
}

std::string DriveOfCaption(std::string_view caption) {
    if (caption.size() < 3)
        return {};
    return std::string(caption.substr(1, 2));
}

std::string CheckFloppyAtStart(std::string_view dirPath, const FloppyCheck& check) {
    if (!IsDriveA(dirPath) || check.floppyReadable())
        return std::string(dirPath);
    if (!check.askOk(kFloppyTitle, kFloppyQuestion))
        return "c:";
    return check.floppyReadable() ? std::string(dirPath) : "c:\\";
}

DriveChoice SelectDrive(std::string_view caption, std::string_view dirPath,
                        const FloppyCheck& check) {
    const std::string chosen = DriveOfCaption(caption);
    if (chosen.empty())
        return {std::string(dirPath), false};
    if (IsDriveA(chosen) && !check.floppyReadable()) {
        if (!check.askOk(kFloppyTitle, kFloppyQuestion) || !check.floppyReadable())
            return {std::string(dirPath), false};
    }
    return {chosen, chosen != dirPath};
}

}  // namespace kelvantori

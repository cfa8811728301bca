// What every file system implementation shares: the user's words for each error, and the 8.3
// short form of a long name where the host has no short names of its own.
#include "platform/FileSystem.h"

#include <string_view>

namespace kelvantori {

std::string FsErrorMessage(FsError error) {
    switch (error) {
        case FsError::None:
            return "";
        case FsError::NotMapped:
            return "ドライブが割り当てられていません。";
        case FsError::NotFound:
            return "ファイルまたはフォルダーが見つかりません。";
        case FsError::Exists:
            return "同じ名前のファイルが既にあります。";
        case FsError::AccessDenied:
            return "アクセスが拒否されました。";
        case FsError::NoSpace:
            return "ディスクの空き容量が不足しています。";
        case FsError::InvalidName:
            return "ファイル名が正しくありません。";
        case FsError::NotADirectory:
            return "フォルダーではありません。";
        case FsError::IsADirectory:
            return "ファイルではなくフォルダーです。";
        case FsError::NotEmpty:
            return "フォルダーが空ではありません。";
        case FsError::Other:
            break;
    }
    return "ファイル操作に失敗しました。";
}

bool FileSystem::IsDirectory(std::string_view path) {
    const auto stat = Stat(path);
    return stat && stat->isDirectory;
}

namespace {

// A batch that is a row of safe saves, each put in place when it ends.
class SaveEachBatch final : public OutputBatch {
  public:
    explicit SaveEachBatch(FileSystem& files) : files_(files) {}

    FsError Begin(std::string_view path) override {
        if (current_ && End() != FsError::None)
            return error_;
        if (error_ != FsError::None)
            return error_;
        FsError error = FsError::None;
        current_ = files_.OpenWrite(path, WriteMode::Replace, &error);
        if (!current_)
            error_ = error == FsError::None ? FsError::Other : error;
        return error_;
    }
    FsError Write(std::string_view bytes) override {
        if (error_ == FsError::None && !current_)
            error_ = FsError::Other;
        if (error_ == FsError::None)
            error_ = current_->Write(bytes);
        return error_;
    }
    FsError End() override {
        if (error_ == FsError::None && !current_)
            error_ = FsError::Other;
        if (error_ == FsError::None) {
            error_ = current_->Commit();
            if (error_ == FsError::None)
                ++placed_;
        }
        current_.reset();
        return error_;
    }
    FsError Commit() override {
        if (current_)
            End();
        return error_;
    }
    std::size_t Placed() const override { return placed_; }

  private:
    FileSystem& files_;
    std::unique_ptr<OutputFile> current_;
    std::size_t placed_ = 0;
    FsError error_ = FsError::None;
};

}  // namespace

std::unique_ptr<OutputBatch> FileSystem::OpenBatch() {
    return std::make_unique<SaveEachBatch>(*this);
}

namespace {

// Characters FAT keeps in a short name besides letters and digits.
constexpr std::string_view kShortNameSymbols = "$%'-_@~`!(){}^#&";

bool IsShortNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           kShortNameSymbols.find(c) != std::string_view::npos;
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool FitsEightThree(std::string_view name) {
    const auto dot = name.find('.');
    const auto base = name.substr(0, dot);
    const auto ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3)
        return false;
    if (dot != std::string_view::npos && ext.empty())
        return false;  // "A." is not "A"
    for (const char c : base) {
        if (!IsShortNameChar(c))
            return false;
    }
    for (const char c : ext) {
        if (!IsShortNameChar(c))
            return false;
    }
    return true;
}

// Up to limit short-name characters made from text: blanks and dots dropped, letters upper-cased,
// anything FAT does not allow as "_" (one "_" for each UTF-8 character, not each byte).
std::string ShortNameChars(std::string_view text, std::size_t limit) {
    std::string out;
    for (std::size_t i = 0; i < text.size() && out.size() < limit; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == ' ' || c == '.')
            continue;
        if (c >= 0xC0) {
            while (i + 1 < text.size() &&
                   (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
                ++i;
            }
            out += '_';
        } else if (IsShortNameChar(static_cast<char>(c))) {
            out += Upper(static_cast<char>(c));
        } else {
            out += '_';
        }
    }
    return out;
}

}  // namespace

std::string FatShortName(std::string_view longName) {
    if (FitsEightThree(longName)) {
        std::string upper(longName);
        for (char& c : upper)
            c = Upper(c);
        return upper;
    }
    // Leading dots belong to no part of an 8.3 name (".bashrc" -> "BASHRC~1").
    const auto start = longName.find_first_not_of('.');
    const auto rest = start == std::string_view::npos ? std::string_view() : longName.substr(start);
    const auto lastDot = rest.rfind('.');
    const auto base = rest.substr(0, lastDot);
    const auto ext =
        lastDot == std::string_view::npos ? std::string_view() : rest.substr(lastDot + 1);
    std::string shortBase = ShortNameChars(base, 6);
    if (shortBase.empty())
        shortBase.push_back('_');
    const std::string shortExt = ShortNameChars(ext, 3);
    std::string shortName;
    shortName.reserve(shortBase.size() + 3 + shortExt.size());
    shortName.append(shortBase).append("~1");
    if (!shortExt.empty())
        shortName.append(".").append(shortExt);
    return shortName;
}

}  // namespace kelvantori

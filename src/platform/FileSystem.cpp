// What every file system implementation shares: the user's words for each error, and the 8.3
// short form of a long name where the host has no short names of its own.
#include "platform/FileSystem.h"

#include <string_view>

#include "core/TextCodec.h"

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

// One character of a name as a short name holds it. A short name is stored in the program's code
// page (CP932), so a kanji or kana is a character of its own there, two bytes (one for half-width
// katakana) of the eight and three; the shop's Japanese names stay readable in the list. Only
// what CP932 cannot hold, and what FAT does not allow, becomes "_".
struct ShortChar {
    std::string_view utf8;  // the character as it stands in the name
    std::size_t bytes = 1;  // its size in the short name
    bool usable = false;    // false: FAT would write "_" for it
};

ShortChar ShortCharAt(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80)
        return {text.substr(i, 1), 1, IsShortNameChar(static_cast<char>(lead))};
    std::size_t n = 1;
    if (lead >= 0xC0) {
        while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80)
            ++n;
    }
    ShortChar c{text.substr(i, n), 1, false};
    if (IsCp932Representable(c.utf8)) {
        c.bytes = Utf8ToCp932(c.utf8).size();
        c.usable = true;
    }
    return c;
}

// Appends the short-name form of c: the character itself upper-cased, or "_".
void AppendShortChar(std::string& out, const ShortChar& c) {
    if (!c.usable) {
        out += '_';
    } else if (c.utf8.size() == 1) {
        out += Upper(c.utf8[0]);
    } else {
        out.append(c.utf8);
    }
}

// True when every character is usable and the text fits max bytes of a short name.
bool FitsShortPart(std::string_view text, std::size_t max) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < text.size();) {
        const ShortChar c = ShortCharAt(text, i);
        if (!c.usable)
            return false;
        bytes += c.bytes;
        if (bytes > max)
            return false;
        i += c.utf8.size();
    }
    return true;
}

bool FitsEightThree(std::string_view name) {
    const auto dot = name.find('.');
    const auto base = name.substr(0, dot);
    const auto ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty())
        return false;
    if (dot != std::string_view::npos && ext.empty())
        return false;  // "A." is not "A"
    return FitsShortPart(base, 8) && FitsShortPart(ext, 3);
}

// Up to limit short-name bytes made from text: blanks and dots dropped, letters upper-cased,
// anything FAT does not allow as "_" (one "_" for each character). A two-byte character that
// would cross the limit is left out rather than cut in half.
std::string ShortNameChars(std::string_view text, std::size_t limit) {
    std::string out;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < text.size();) {
        const ShortChar c = ShortCharAt(text, i);
        i += c.utf8.size();
        if (c.utf8 == " " || c.utf8 == ".")
            continue;
        if (bytes + c.bytes > limit)
            break;
        AppendShortChar(out, c);
        bytes += c.bytes;
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

// History lists and split options in the program folder.
#include "files/DialogFiles.h"

#include "core/HistoryList.h"
#include "core/IniDocument.h"

namespace kelvantori {

std::vector<std::string> LoadHistoryFile(FileSystem& files, std::string_view path) {
    const auto bytes = files.ReadAll(path);
    return bytes ? ParseHistoryList(*bytes) : std::vector<std::string>{};
}

FsError SaveHistoryFile(FileSystem& files, std::string_view path,
                        const std::vector<std::string>& entries) {
    return files.WriteAll(path, SerializeHistoryList(entries));
}

SplitOptions LoadSplitOptions(FileSystem& files, std::string_view path) {
    const auto bytes = files.ReadAll(path);
    return ReadSplitOptions(IniDocument::Parse(bytes.value_or(std::string())));
}

FsError SaveSplitOptions(FileSystem& files, std::string_view path, const SplitOptions& options) {
    IniDocument ini = IniDocument::Parse(files.ReadAll(path).value_or(std::string()));
    WriteSplitOptions(ini, options);
    return files.WriteAll(path, ini.Serialize());
}

}  // namespace kelvantori

// Reading and writing the history list files.
#include "files/HistoryFile.h"

#include "core/HistoryList.h"

namespace kelvantori {

std::vector<std::string> LoadHistoryFile(FileSystem& files, std::string_view path) {
    if (path.empty())
        return {};
    const auto bytes = files.ReadAll(path);
    if (!bytes)
        return {};
    return ParseHistoryList(*bytes);
}

FsError SaveHistoryFile(FileSystem& files, std::string_view path,
                        const std::vector<std::string>& entries) {
    if (path.empty())
        return FsError::NotMapped;
    return files.WriteAll(path, SerializeHistoryList(entries));
}

}  // namespace kelvantori

// The loader shared by the file view, the send and the NC tools.
#include "files/ProgramLoader.h"

namespace kelvantori {

namespace {

constexpr std::size_t kMaxReadChars = 499;

// Appends a piece of text read from the file, split where a lone CR ends a line.
void AppendPiece(std::string_view piece, ProgramText& out) {
    std::size_t start = 0;
    while (start <= piece.size()) {
        const auto cr = piece.find('\r', start);
        const auto end = cr == std::string_view::npos ? piece.size() : cr;
        if (end > start)
            out.lines.push_back(piece.substr(start, end - start));
        if (cr == std::string_view::npos)
            break;
        start = cr + 1;
    }
}

}  // namespace

ProgramText ReadLinesAsText(std::string_view bytes) {
    ProgramText out;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        // One read: up to 499 characters, or through the next line feed (CR LF counts as one
        // line feed, as text-mode reading gives it).
        std::string chunk;
        while (pos < bytes.size() && chunk.size() < kMaxReadChars) {
            if (bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') {
                pos += 2;
                break;
            }
            if (bytes[pos] == '\n') {
                ++pos;
                break;
            }
            chunk.push_back(bytes[pos++]);
        }
        // The read gives a C string: it ends at its first NUL byte.
        const auto nul = chunk.find('\0');
        if (nul != std::string::npos)
            chunk.resize(nul);
        if (!chunk.empty())
            AppendPiece(chunk, out);
    }
    return out;
}

LoadedProgram LoadFileIntoView(FileSystem& files, std::string_view drivePath,
                               const std::function<bool(const std::string&)>& askYesNo) {
    LoadedProgram loaded;
    auto bytes = files.ReadAll(drivePath);
    if (!bytes)
        loaded.readable = false;
    const std::string_view data = bytes ? std::string_view(*bytes) : std::string_view();
    loaded.size = data.size();

    const bool suspicious = data.empty() || data.find('\0') != std::string_view::npos;
    if (!suspicious) {
        // The file's bytes become the lines where they are: a large program is held once.
        loaded.text = SplitProgramLinesInPlace(std::move(*bytes));
        return loaded;
    }
    if (askYesNo(std::string(kFormatQuestion)) && !data.empty()) {
        loaded.text = ReadLinesAsText(data);
    }
    return loaded;
}

}  // namespace kelvantori

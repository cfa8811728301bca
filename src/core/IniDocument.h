// An INI file held as its lines, so that a save changes only the values we set and keeps every
// other section, key, comment and blank line where it was. Values are raw bytes (the caller
// converts text); section and key names compare case-insensitively (ASCII), as profile files do.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvantori {

class IniDocument {
  public:
    IniDocument() = default;
    static IniDocument Parse(std::string_view bytes);

    // The value of key in section, trimmed of surrounding blanks; nullopt when absent.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // Replaces the value in place, or appends the key at the end of its section, or appends the
    // section at the end of the document. Line breaks in the value are left out (a value is one
    // line).
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // Keys of a section in file order (empty when the section is absent).
    std::vector<std::string> Keys(std::string_view section) const;

    // The document as bytes; unchanged lines are written exactly as read. New lines use the line
    // end of the parsed document (CR LF for a new document).
    std::string Serialize() const;

  private:
    struct Line {
        std::string text;  // without its line end
        std::string end;   // "\r\n", "\n" or "" (the last line without a line end)
    };
    std::vector<Line> lines_;
    std::string newline_ = "\r\n";
};

}  // namespace kelvantori

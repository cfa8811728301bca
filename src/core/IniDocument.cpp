// INI files kept line by line: only the lines of the keys we set are rewritten.
#include "core/IniDocument.h"

#include <algorithm>

namespace kelvantori {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// The section name of a "[name]" line.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// The key of a "key=value" line; comment lines have none.
std::optional<std::string_view> KeyOf(std::string_view line) {
    const auto t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[')
        return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return Trim(line.substr(0, eq));
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view bytes) {
    IniDocument doc;
    bool newlineSeen = false;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto nl = bytes.find('\n', pos);
        Line line;
        if (nl == std::string_view::npos) {
            line.text = std::string(bytes.substr(pos));
            pos = bytes.size();
        } else {
            std::size_t end = nl;
            if (end > pos && bytes[end - 1] == '\r') {
                --end;
                line.end = "\r\n";
            } else {
                line.end = "\n";
            }
            line.text = std::string(bytes.substr(pos, end - pos));
            if (!newlineSeen) {
                doc.newline_ = line.end;
                newlineSeen = true;
            }
            pos = nl + 1;
        }
        doc.lines_.push_back(std::move(line));
    }
    return doc;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (const auto& line : lines_) {
        if (const auto s = SectionOf(line.text)) {
            if (inSection)
                return std::nullopt;  // the first section of that name is the one read
            inSection = EqualsNoCase(*s, section);
            continue;
        }
        if (!inSection)
            continue;
        if (const auto k = KeyOf(line.text); k && EqualsNoCase(*k, key)) {
            const auto eq = line.text.find('=');
            return std::string(Trim(std::string_view(line.text).substr(eq + 1)));
        }
    }
    return std::nullopt;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    bool inSection = false;
    for (const auto& line : lines_) {
        if (const auto s = SectionOf(line.text)) {
            if (inSection)
                break;
            inSection = EqualsNoCase(*s, section);
            continue;
        }
        if (!inSection)
            continue;
        if (const auto k = KeyOf(line.text))
            keys.emplace_back(*k);
    }
    return keys;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view rawValue) {
    // A value spans one line: a line break in it would start a line of its own that reads as a
    // key of its own ("*.NC\r\nDirPath=Z:").
    std::string value;
    value.reserve(rawValue.size());
    for (const char c : rawValue) {
        if (c != '\r' && c != '\n')
            value.push_back(c);
    }
    std::optional<std::size_t> sectionLine;
    std::size_t lastContent = 0;  // last non-blank line of the section
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto& text = lines_[i].text;
        if (const auto s = SectionOf(text)) {
            if (sectionLine)
                break;
            if (EqualsNoCase(*s, section)) {
                sectionLine = i;
                lastContent = i;
            }
            continue;
        }
        if (!sectionLine)
            continue;
        if (const auto k = KeyOf(text); k && EqualsNoCase(*k, key)) {
            lines_[i].text = std::string(*k) + "=" + value;
            return;
        }
        if (!Trim(text).empty())
            lastContent = i;
    }

    // A document whose last line has no line end gets one before anything is added after it.
    auto terminateLast = [this] {
        if (!lines_.empty() && lines_.back().end.empty())
            lines_.back().end = newline_;
    };
    Line keyLine{std::string(key) + "=" + value, newline_};
    if (sectionLine) {
        if (lastContent + 1 == lines_.size())
            terminateLast();
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastContent + 1),
                      std::move(keyLine));
        return;
    }
    terminateLast();
    lines_.push_back(Line{"[" + std::string(section) + "]", newline_});
    lines_.push_back(std::move(keyLine));
}

std::string IniDocument::Serialize() const {
    std::string out;
    for (const auto& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

}  // namespace kelvantori

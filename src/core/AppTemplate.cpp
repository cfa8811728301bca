// Templates of the external applications.
#include "core/AppTemplate.h"

#include <algorithm>
#include <array>

#include "core/DrivePath.h"

namespace kelvantori {

namespace {

constexpr std::array<std::string_view, 4> kMarkers{"$A", "$B", "$C", "$D"};

std::string ReplaceAll(std::string text, std::string_view what, std::string_view with) {
    std::size_t at = 0;
    while ((at = text.find(what, at)) != std::string::npos) {
        text.replace(at, what.size(), with);
        at += with.size();
    }
    return text;
}

std::string PanelLines(const Settings& settings, std::size_t first, std::size_t last) {
    std::string text;
    for (std::size_t i = first; i <= last; ++i)
        text +=
            "ALT+" + std::string(1, AppLetterOf(i)) + " : " + settings.OutApps[i].OutApp_N + "\n";
    return text;
}

}  // namespace

FileMarkers MarkersOf(std::string_view fullPath, std::string_view name) {
    FileMarkers markers;
    markers.A = std::string(fullPath);
    markers.C = std::string(name);
    markers.D = FileBaseNameOf(name);
    const std::size_t extension = name.size() - markers.D.size();
    markers.B =
        std::string(fullPath.substr(0, fullPath.size() - std::min(extension, fullPath.size())));
    return markers;
}

std::string TemplateProgram(std::string_view appTemplate) {
    return std::string(appTemplate.substr(0, appTemplate.find(' ')));
}

std::string MarkerArgument(std::string_view appTemplate, const FileMarkers& markers) {
    const std::array<const std::string*, 4> values{&markers.A, &markers.B, &markers.C, &markers.D};
    std::string argument;
    for (std::size_t i = 0; i < kMarkers.size(); ++i) {
        if (appTemplate.find(kMarkers[i]) != std::string_view::npos)
            argument = *values[i];
    }
    return argument;
}

AppCommand BuildAppCommand(std::string_view appTemplate, std::string_view argument) {
    AppCommand command;
    const std::size_t blank = appTemplate.find(' ');
    command.program = std::string(appTemplate.substr(0, blank));
    if (blank == std::string_view::npos)
        return command;
    const std::string_view parameters = appTemplate.substr(blank + 1);
    std::size_t start = 0;
    while (start < parameters.size()) {
        std::size_t end = parameters.find(' ', start);
        if (end == std::string_view::npos)
            end = parameters.size();
        std::string word(parameters.substr(start, end - start));
        for (const std::string_view marker : kMarkers)
            word = ReplaceAll(std::move(word), marker, argument);
        if (!word.empty())
            command.arguments.push_back(std::move(word));
        start = end + 1;
    }
    return command;
}

char AppLetterOf(std::size_t index) {
    return static_cast<char>('A' + index);
}

int AppIndexOfLetter(char letter) {
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z')
        return -1;
    return letter - 'A';
}

std::string AppCaption(std::size_t index) {
    return "Alt+" + std::string(1, AppLetterOf(index));
}

std::string AltPanelLeftText(const Settings& settings) {
    return "ｴﾃﾞｨﾀｰ: " + settings.EditApp + "\n" + PanelLines(settings, 0, 12);
}

std::string AltPanelRightText(const Settings& settings) {
    return PanelLines(settings, 13, kAppLetters - 1);
}

}  // namespace kelvantori

// Finding and starting the external programs.
#include "files/ExternalApps.h"

#include "core/DrivePath.h"

namespace kelvantori {

std::optional<FoundProgram> ResolveProgram(std::string_view program, const DriveMap& drives,
                                           ProcessLauncher& launcher) {
    if (program.empty())
        return std::nullopt;
    if (DriveLetterOf(program) != 0 && program.size() >= 2 && program[1] == ':') {
        const auto host = drives.ToHost(program);
        if (!host)
            return std::nullopt;
        return launcher.FindProgram(*host);
    }
    return launcher.FindProgram(program);
}

LaunchResult LaunchProgram(ProcessLauncher& launcher, const FoundProgram& program,
                           const std::vector<std::string>& arguments,
                           const OpenDocument& openDocument) {
    if (!program.executable && arguments.empty() && openDocument)
        return openDocument(program.path);
    return launcher.Start(program.path, arguments);
}

std::string LaunchFailureText(std::string_view program, std::string_view reason) {
    return "「" + std::string(program) + "」を起動出来ませんでした。\n" + std::string(reason);
}

}  // namespace kelvantori

// Finding and starting the programs of the editor setting and the application templates on this
// host. A program is named as the user wrote it: a drive path ("C:\CAD\VIEW"), an absolute host
// path ("/usr/bin/gedit") or a bare name looked for on PATH ("gedit").
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DriveMap.h"
#include "platform/ProcessLauncher.h"

namespace kelvantori {

// The file a program name stands for; nullopt when there is none.
std::optional<FoundProgram> ResolveProgram(std::string_view program, const DriveMap& drives,
                                           ProcessLauncher& launcher);

// Opens a document (a host path) with the application the desktop associates with it.
using OpenDocument = std::function<LaunchResult(const std::string& hostPath)>;

// Starts a program found by ResolveProgram with its arguments. A file the host would not run,
// named without arguments, is a document: it is opened with its associated application.
LaunchResult LaunchProgram(ProcessLauncher& launcher, const FoundProgram& program,
                           const std::vector<std::string>& arguments,
                           const OpenDocument& openDocument);

// What the user is told when a program named as written could not be started:
// "「name」を起動出来ませんでした。\n" + the reason.
std::string LaunchFailureText(std::string_view program, std::string_view reason);

// The reason for a program that does not exist.
inline constexpr std::string_view kProgramMissingReason = "プログラムが見つかりません。";

}  // namespace kelvantori

// kelvantori-cli ITEM...: the window's command-line items, run as transfers in a terminal.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/cli/CliIo.h"
#include "core/Clock.h"
#include "core/CommandLine.h"
#include "core/Settings.h"
#include "platform/DriveMap.h"
#include "platform/SerialPort.h"

namespace kelvantori {

// The usage text of the transfer items and options.
std::string TransferUsage();

// The order of the items run as the window's first idle moment would run it, on the port that
// makePort gives for Host.ini and with the waits on clock.
int RunTransferCommand(const std::vector<std::string>& args, CliIo& io,
                       const SerialPortFactory& makePort, Clock& clock);

// The arguments split into the window's items and our own options, which begin with "--" and
// may stand before, between or after the items.
struct TransferArguments {
    std::vector<std::string> items;
    bool receivePrograms = false;  // --receive-programs
    bool showSetup = false;        // --show-setup
    bool help = false;             // --help, -h
    std::vector<std::string> unknownOptions;
};
TransferArguments ParseTransferArguments(const std::vector<std::string>& args);

// The items of the arguments (split as the window splits them) that the window would ignore: a
// mistyped item. In order; empty items are left out. Nothing is asked, shown or copied.
std::vector<std::string> UnrecognisedItems(const std::vector<std::string>& args,
                                           const Settings& settings,
                                           const CommandLineEnvironment& env);

// The R= items of the arguments that name no file to receive into: an empty name ("R=",
// "R=D:\NC\") or an existing folder (isFolder). The window would start a receive into the
// drive root or a folder, which no file can be saved as. In order; nothing is asked, shown or
// copied.
std::vector<std::string> ReceiveItemsWithoutAFile(
    const std::vector<std::string>& args, const Settings& settings,
    const CommandLineEnvironment& env,
    const std::function<bool(const std::string& drivePath)>& isFolder);

// The file of an S= or R= item may be given as an absolute host path (S=/home/ann/nc/A.NC): it
// becomes the drive path of that file. The window's rules would make nothing usable of such an
// item (a "/" is dropped and the rest taken as a name in the data folder). Items of the slash
// form (the first argument begins with "/") are left as they are.
std::vector<std::string> WithDrivePaths(const std::vector<std::string>& items,
                                        const DriveMap& drives);

}  // namespace kelvantori

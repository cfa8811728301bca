// kelvantori-machine over a real pseudo-terminal: the executable, its device path, the start
// signal on the line, the stored program, the raw bytes and the summary.
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/MachineProcess.h"
#include "support/TempFolder.h"

namespace kelvantori::test {
namespace {

using namespace std::chrono_literals;

// "%", LF, "O1234 (PART)", LF, "G01 X10.", LF, "M30", LF, "%", LF in ISO, parity worked out by
// hand: a byte gets 0x80 where its seven bits hold an odd number of ones.
const std::string kIsoTape =
    "\xA5\x0A"
    "\xCF\xB1\xB2\x33\xB4\xA0\x28\x50\x41\xD2\xD4\xA9\x0A"
    "\x47\x30\xB1\xA0\xD8\xB1\x30\x2E\x0A"
    "\x4D\x33\x30\x0A"
    "\xA5\x0A";

TEST(MachinePtyTest, ReceivesAnIsoProgramAndStoresItByNumber) {
    TempFolder folder;
    MachineProcess machine({"--store", folder.File("in"), "--summary", folder.File("s.txt"),
                            "--raw", folder.File("raw.bin"), "--once", "--start", "dc1"});
    ASSERT_TRUE(machine.Started()) << machine.ErrorOutput();
    EXPECT_EQ(machine.DevicePath().rfind("/dev/pts/", 0), 0u) << machine.DevicePath();

    const int fd = OpenRawDevice(machine.DevicePath());
    ASSERT_GE(fd, 0);
    // The machine says it is ready once the PC side has the device open.
    EXPECT_EQ(ReadFromDevice(fd, 1, 3s), "\x11");
    ASSERT_EQ(::write(fd, kIsoTape.data(), kIsoTape.size()), static_cast<ssize_t>(kIsoTape.size()));
    const auto status = machine.WaitForExit(5s);
    ::close(fd);
    ASSERT_EQ(status, 0) << machine.ErrorOutput();

    EXPECT_EQ(folder.Read("in/O1234.NC"), "O1234 (PART)\r\nG01 X10.\r\nM30\r\n");
    EXPECT_EQ(folder.Read("raw.bin"), kIsoTape);
    const std::string summary = folder.Read("s.txt");
    for (const std::string line :
         {"received=30\n", "programs=1\nprogram_names=O1234\nprograms_incomplete=0\n",
          "bad_parity=0\nundefined=0\ncode=iso\n"}) {
        EXPECT_NE(summary.find(line), std::string::npos) << line << summary;
    }
    // The same summary goes to stderr.
    EXPECT_NE(machine.ErrorOutput().find(summary), std::string::npos) << machine.ErrorOutput();
}

}  // namespace
}  // namespace kelvantori::test

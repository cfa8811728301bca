// kelvantori-machine over a real pseudo-terminal: the executable, its device path, the bytes on
// the line, the stored files and the summary.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "support/MachineProcess.h"
#include "support/TempFolder.h"

namespace kelvantori::test {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

std::map<std::string, std::string> ReadSummary(const std::string& text) {
    std::map<std::string, std::string> keys;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return keys;
}

void WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else {
            ::usleep(1000);
        }
    }
}

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
    const std::string store = folder.File("in");
    const std::string summary = folder.File("summary.txt");
    const std::string raw = folder.File("raw.bin");
    MachineProcess machine(
        {"--store", store, "--summary", summary, "--raw", raw, "--once", "--start", "dc1"});
    ASSERT_TRUE(machine.Started()) << machine.ErrorOutput();
    EXPECT_EQ(machine.DevicePath().rfind("/dev/pts/", 0), 0u) << machine.DevicePath();

    const int fd = OpenRawDevice(machine.DevicePath());
    ASSERT_GE(fd, 0);
    // The machine says it is ready once the PC side has the device open.
    EXPECT_EQ(ReadFromDevice(fd, 1, 3s), "\x11");
    WriteAll(fd, kIsoTape);
    const auto status = machine.WaitForExit(5s);
    ::close(fd);
    ASSERT_EQ(status, 0) << machine.ErrorOutput();

    EXPECT_EQ(folder.Read("in/O1234.NC"), "O1234 (PART)\r\nG01 X10.\r\nM30\r\n");
    EXPECT_EQ(folder.Read("raw.bin"), kIsoTape);
    const auto keys = ReadSummary(folder.Read("summary.txt"));
    EXPECT_EQ(keys.at("received"), std::to_string(kIsoTape.size()));
    EXPECT_EQ(keys.at("programs"), "1");
    EXPECT_EQ(keys.at("program_names"), "O1234");
    EXPECT_EQ(keys.at("programs_incomplete"), "0");
    EXPECT_EQ(keys.at("bad_parity"), "0");
    EXPECT_EQ(keys.at("code"), "iso");
    EXPECT_NE(keys.at("start_signals"), "0");
    // The same summary goes to stderr.
    EXPECT_NE(machine.ErrorOutput().find("program_names=O1234\n"), std::string::npos);
}

TEST(MachinePtyTest, KeepsReadingWhenThePcClosesAndReopensTheDevice) {
    TempFolder folder;
    const std::string link = folder.File("ttyNC");
    MachineProcess machine(
        {"--store", folder.File("in"), "--summary", folder.File("s.txt"), "--link", link});
    ASSERT_TRUE(machine.Started()) << machine.ErrorOutput();
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), machine.DevicePath());

    const std::size_t half = kIsoTape.size() / 2;
    int fd = OpenRawDevice(link);
    ASSERT_GE(fd, 0);
    WriteAll(fd, kIsoTape.substr(0, half));
    ::usleep(100'000);
    ::close(fd);
    ::usleep(100'000);
    fd = OpenRawDevice(link);
    ASSERT_GE(fd, 0);
    WriteAll(fd, kIsoTape.substr(half));
    ::usleep(200'000);
    ::close(fd);

    machine.Signal(SIGTERM);
    ASSERT_EQ(machine.WaitForExit(5s), 0) << machine.ErrorOutput();
    EXPECT_EQ(folder.Read("in/O1234.NC"), "O1234 (PART)\r\nG01 X10.\r\nM30\r\n");
    const auto keys = ReadSummary(folder.Read("s.txt"));
    EXPECT_EQ(keys.at("received"), std::to_string(kIsoTape.size()));
    EXPECT_EQ(keys.at("programs_incomplete"), "0");
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0) << "the link outlived the machine";
}

TEST(MachinePtyTest, PunchesAProgramToThePc) {
    TempFolder folder;
    const std::string program = folder.Write("O1.NC", "%\r\nO1\r\nM30\r\n%\r\n");
    MachineProcess machine({"--punch", program, "--leader", "2", "--dc4", "--delay", "0", "--once",
                            "--summary", folder.File("s.txt")});
    ASSERT_TRUE(machine.Started()) << machine.ErrorOutput();
    const int fd = OpenRawDevice(machine.DevicePath());
    ASSERT_GE(fd, 0);
    const std::string expected = "\x00\x00\xA5\x0A\xCF\xB1\x0A\x4D\x33\x30\x0A\xA5\x0A\x14"s;
    EXPECT_EQ(ReadFromDevice(fd, expected.size() + 1, 2s), expected);
    ASSERT_EQ(machine.WaitForExit(5s), 0) << machine.ErrorOutput();
    ::close(fd);
    EXPECT_EQ(ReadSummary(folder.Read("s.txt")).at("punched"), std::to_string(expected.size()));
}

TEST(MachinePtyTest, ReadsNoFasterThanTheLineRate) {
    TempFolder folder;
    // 9600 baud 8N1 is 960 characters a second: 480 characters take half a second.
    MachineProcess machine({"--baud", "9600", "--format", "8N1", "--exit-after-idle", "300",
                            "--summary", folder.File("s.txt")});
    ASSERT_TRUE(machine.Started()) << machine.ErrorOutput();
    const int fd = OpenRawDevice(machine.DevicePath());
    ASSERT_GE(fd, 0);
    const auto begin = std::chrono::steady_clock::now();
    WriteAll(fd, std::string(480, '\xA0'));
    ASSERT_EQ(machine.WaitForExit(5s), 0) << machine.ErrorOutput();
    const auto took = std::chrono::steady_clock::now() - begin;
    ::close(fd);
    EXPECT_GE(took, 450ms);
    const auto keys = ReadSummary(folder.Read("s.txt"));
    EXPECT_EQ(keys.at("received"), "480");
    EXPECT_EQ(keys.at("line_cps"), "960.00");
    EXPECT_NEAR(std::stod(keys.at("elapsed")), 0.5, 0.01);
    EXPECT_GT(std::stod(keys.at("utilisation")), 0.95);
}

}  // namespace
}  // namespace kelvantori::test

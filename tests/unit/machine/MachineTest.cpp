// kelvantori-machine: its options; the virtual controller on a fake clock reading tapes in each
// code, the receive buffer with its DC3 and DC1, the start signal, line pacing, punching, the end
// of a run and its summary; and one run of the executable over a real pseudo-terminal.
#include "machine/VirtualMachine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "machine/MachineOptions.h"
#include "support/MachineProcess.h"
#include "support/TempFolder.h"

namespace kelvantori::machine {
namespace {

using namespace std::chrono_literals;

class RecordingSink : public ProgramSink {
  public:
    bool Store(const ReceivedProgram& program) override {
        stored.push_back(program);
        return true;
    }
    std::vector<ReceivedProgram> stored;
};

// What a PC puts on the line; ISO characters carry even parity over eight bits.
std::string Line(const std::string& text, MachineCode code = MachineCode::Iso) {
    std::string bytes;
    for (const char c : text)
        bytes += static_cast<char>(*EncodeCharacter(c, code));
    return bytes;
}

ReceivedProgram Program(std::string name, const char* text, bool complete = true) {
    return ReceivedProgram{std::move(name), SplitProgramLines(text), complete};
}

struct Machine {
    explicit Machine(const MachineConfig& config, const ProgramText* punch = nullptr)
        : vm(config, clock, &sink, punch) {}
    // Everything at once, as an unpaced line delivers it.
    void Receive(const std::string& bytes) { vm.OnReceived(bytes, bytes.size() + 1); }
    std::string Output() {
        vm.Poll();
        const std::string out(vm.PendingOutput());
        vm.OnWritten(out.size());
        return out;
    }
    ManualClock clock;
    RecordingSink sink;
    VirtualMachine vm;
};

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

MachineConfig Parse(const std::string& args) {
    const OptionsResult result = ParseMachineOptions(Words(args));
    EXPECT_TRUE(result.options.has_value()) << result.error;
    return result.options.value_or(MachineOptions{}).config;
}

TEST(MachineOptionsTest, ReadsTheValuesIntoTheMachine) {
    const MachineConfig c = Parse(
        "--code eia --start=percent --start-repeat 250 --buffer 128 --high 100 --low 20 "
        "--drain 45.5 --dc3 13 --baud 4800 --format 7E2 --leader 50 --leader-char del "
        "--cps 100 --delay 0 --exit-after-idle 2000 --no-percent --dc4 --punch-after-dc1 --once");
    EXPECT_EQ(
        std::tuple(c.code, c.start, c.startRepeat, c.flow.capacity, c.flow.high, c.flow.low,
                   c.flow.drainCps, c.dc3Byte, c.punch.leader.count, c.punch.leader.kind,
                   c.punchCps, c.punchDelay, c.exitAfterIdle, c.punch.percentFraming, c.punch.dc4,
                   c.punchTrigger, c.once),
        std::tuple(MachineCode::Eia, StartSignal::Percent, 250ms, 128u, 100u, 20u, 45.5, 0x13, 50u,
                   LeaderKind::Delete, 100.0, 0ms, 2000ms, false, true, PunchTrigger::Dc1, true));
    EXPECT_NEAR(c.lineCps, 436.36, 0.01);
}

// The line's character rate is baud over start bit, data bits, parity bit and stop bits.
TEST(MachineOptionsTest, RatesFollowTheLineAndMarksTheBufferUnlessGiven) {
    EXPECT_DOUBLE_EQ(Parse("--baud 19200 --format 8N1").punchCps, 1920.0);
    EXPECT_DOUBLE_EQ(Parse("--baud 19200 --cps 0").punchCps, 0.0);
    EXPECT_NEAR(Parse("--baud 4800 --format 8,N,2").lineCps, 436.36, 0.01);
    EXPECT_NEAR(Parse("--baud 9600 --format 7o1").lineCps, 960.0, 0.01);
    EXPECT_NEAR(Parse("--baud 1200 --format 7N1.5").lineCps, 126.32, 0.01);
    EXPECT_EQ(Parse("--buffer 100").flow.high, 88u);
    EXPECT_EQ(Parse("--buffer 100 --high 50").flow.low, 25u);
}

TEST(MachineOptionsTest, RefusesWithAMessage) {
    const std::string kMarks = "--low < --high <= --buffer になるように指定してください";
    const struct {
        const char* args;
        std::string message = {};  // empty: the value is wrong
    } rows[] = {
        // clang-format off
        {"--parity odd", "不明なオプションです: --parity"},
        {"O1234.NC", "不明なオプションです: O1234.NC"},
        {"--store", "値がありません: --store"},
        {"--once=yes", "値を取らないオプションです: --once"},
        {"--start=xon", "値が正しくありません: --start xon"},
        {"--buffer 64 --high 32 --low 32", kMarks}, {"--buffer 64 --high 65", kMarks},
        {"--code ascii"}, {"--buffer -1"}, {"--baud 4800bps"}, {"--format 8N3"}, {"--format 9N1"},
        {"--dc3 11"}, {"--leader-char blank"}, {"--leader-char 0x100"},
        // clang-format on
    };
    for (const auto& row : rows) {
        EXPECT_EQ(
            ParseMachineOptions(Words(row.args)).error,
            row.message.empty() ? "値が正しくありません: " + std::string(row.args) : row.message);
    }
}

TEST(VirtualMachineReadTest, StoresTheProgramsByNumberAndCountsBadParity) {
    using enum MachineCode;
    const struct {
        MachineCode code;
        std::string bytes;  // DC4 (0x14) ends the data in each code
        std::vector<ReceivedProgram> stored;
        std::size_t badParity = 0;
    } rows[] = {
        // clang-format off
        // The X (0x58, three ones) arrives without its parity bit.
        {Iso, Line("%\nO1234 (PART)\nG01 ") + "X" + Line("10.\nM30\n%\n"),
         {Program("O1234", "O1234 (PART)\nG01 X10.\nM30")}, 1},
        // EIA digits include 0x13 ("3"): it must not be taken for DC3.
        {Eia, std::string(5, '\0') + Line("%\nO13\nG00 X-3.5\nM30\n%\n", Eia),
         {Program("O13", "O13\nG00 X-3.5\nM30")}},
        {Auto, Line("%\nO1\nX3.\n%\n", Eia) + Line("%\nO2\nX3.\n%\n"),
         {Program("O1", "O1\nX3."), Program("O2", "O2\nX3.")}},
        // Odd as an EIA byte would be, but the tape is ISO by then.
        {Auto, Line("%\nO1\nG00 ") + "X" + Line("3.\n%\n"), {Program("O1", "O1\nG00 X3.")}, 1},
        {SevenBit, "%\nO0001 (A)\nM99\nO0002\nM30\n%\n",
         {Program("O0001", "O0001 (A)\nM99"), Program("O0002", "O0002\nM30")}},
        {SevenBit, "%\n:1234\nM99\n%", {Program("O1234", ":1234\nM99")}},
        {SevenBit, "\nO55\nG00 X0\nM30\x14", {Program("O55", "O55\nG00 X0\nM30")}},
        {SevenBit, "% *\nTITLE\nO8\nM30\n%", {Program("O8", "O8\nM30")}},
        {SevenBit, "%%\nO9\nG00\n\nM30\n\n%%", {Program("O9", "O9\nG00\n\nM30")}},
        {SevenBit, "%\r\nO3\r\nM30%", {Program("O3", "O3\nM30")}},
        {SevenBit, "%\nOABC\n%", {Program("UNNUMBERED", "OABC")}},
        // At most eight digits, and nothing that could lead the file name out of the folder.
        {SevenBit, "%\nO123456789/../X\n%", {Program("O12345678", "O123456789/../X")}},
        {SevenBit, "%\nO6\nM30\n%\nG00\n%\n", {Program("O6", "O6\nM30")}},
        {SevenBit, "%\nO11\nG01 X", {Program("O11", "O11\nG01 X", false)}},
        {SevenBit, "%\nG00 X0\nM30\n%\n", {}},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bytes);
        MachineConfig config;
        config.code = row.code;
        Machine m(config);
        m.Receive(row.bytes);
        m.vm.Finish();
        EXPECT_EQ(m.sink.stored, row.stored);
        const MachineSummary s = m.vm.Summary();
        EXPECT_EQ(s.badParity, row.badParity);
        EXPECT_EQ(s.undefined, 0u);
        EXPECT_EQ(s.received, row.bytes.size());
        EXPECT_EQ(s.programsIncomplete,
                  std::ranges::count_if(row.stored, [](const auto& p) { return !p.complete; }));
        EXPECT_EQ(s.code, row.code == Auto ? "iso" : MachineCodeName(row.code));
    }
}

TEST(VirtualMachineStartSignalTest, Dc1OnceTheLineOpensRepeatedUntilDataArrivesAndAfterATape) {
    Machine m(Parse("--start dc1"));
    EXPECT_EQ(m.Output(), "");  // nobody has the device open yet
    m.vm.OnLineOpened();
    EXPECT_EQ(m.Output(), "\x11");
    m.clock.Advance(999ms);
    EXPECT_EQ(m.Output(), "");
    EXPECT_EQ(m.vm.NextDeadline(), 1000ms);
    m.clock.Advance(1ms);
    EXPECT_EQ(m.Output(), "\x11");
    m.Receive(Line("%\n"));
    m.clock.Advance(5s);
    EXPECT_EQ(m.Output(), "");
    m.Receive(Line("O1\nM30\n%\n"));
    EXPECT_EQ(m.Output(), "\x11");  // ready for the next tape
    EXPECT_EQ(m.vm.Summary().startSignals, 3u);

    for (const auto& [code, percent] : {std::pair{"eia", "\v"}, {"iso", "\xA5"}}) {
        Machine byPercent(Parse(std::string("--start percent --code ") + code));
        byPercent.vm.OnLineOpened();
        EXPECT_EQ(byPercent.Output(), percent);
    }
}

TEST(VirtualMachineFlowTest, Dc3AtTheHighMarkDc1AtTheLowMarkAndTheOverrunCounted) {
    for (const auto& [option, dc3] : {std::pair{"93", "\x93"}, {"13", "\x13"}}) {
        // Ten characters, DC3 at eight, DC1 at two; the controller takes one every 10 ms.
        Machine m(Parse(std::string("--buffer 10 --high 8 --low 2 --drain 100 --dc3 ") + option));
        m.vm.OnLineOpened();
        // The PC sends one character a millisecond and stops three characters after DC3.
        std::string signals;
        int after = -1;
        for (int ms = 0; ms < 200; ++ms, m.clock.Advance(1ms)) {
            if (after < 3) {
                m.Receive(Line("X"));
                after += after >= 0;
            }
            for (const char c : m.Output()) {
                signals += c + std::to_string(ms) + " ";
                after = c == '\x11' ? after : 0;
            }
        }
        // Eight characters are in at 7 ms; ten down to two takes 80 ms from the drain at 10 ms.
        EXPECT_EQ(signals, dc3 + std::string("7 \x11") + "90 ");
        EXPECT_EQ(m.vm.Summary().overrunMax, 3u);
        EXPECT_EQ(m.vm.Summary().lost, 0u);
    }
}

TEST(VirtualMachineFlowTest, APcThatIgnoresDc3LosesCharacters) {
    Machine m(Parse("--buffer 8 --high 6 --low 2 --drain 1"));
    m.Receive(Line("O1\nX12345678901234\n"));
    EXPECT_EQ(m.Output(), "\x93");
    m.vm.Finish();
    // Nineteen characters: DC3 after the sixth, room for eight.
    EXPECT_EQ(m.vm.Summary().lost, 11u);
    EXPECT_EQ(m.vm.Summary().overrunTotal, 13u);
    EXPECT_EQ(m.sink.stored, std::vector{Program("O1", "O1\nX1234", false)});
}

TEST(VirtualMachinePacingTest, ReadsAtTheLineRateAndMeasuresItsUse) {
    for (const int every : {1, 2}) {
        Machine m(Parse("--baud 10000 --format 8N1"));  // 1000 characters a second
        for (int ms = 1; ms <= 2000; ++ms) {
            m.clock.Advance(1ms);
            const std::size_t allowance = m.vm.ReadAllowance();
            EXPECT_EQ(allowance, 1u);
            // A PC with data every other millisecond uses half the line.
            const std::size_t n = ms % every == 0 ? allowance : 0;
            m.vm.OnReceived(std::string(n, '\xA0'), allowance);
        }
        const MachineSummary s = m.vm.Summary();
        ASSERT_TRUE(s.utilisation.has_value());
        EXPECT_NEAR(*s.utilisation, 1.0 / every, 0.01) << every;
        EXPECT_NEAR(s.elapsedSeconds, 2.0, 0.005);
    }
}

TEST(VirtualMachineExitTest, OnceEndsWithTheTapeOfAProgramIdleCountsFromTheLastCharacter) {
    Machine once(Parse("--once"));
    once.Receive(Line("%\nTEXT\n\x14%\nO1\nM99\nO2\nM30\n"));
    EXPECT_FALSE(once.vm.ShouldExit());  // a tape without program, then a program still coming
    once.Receive(Line("%"));
    EXPECT_TRUE(once.vm.ShouldExit());

    Machine idle(Parse("--exit-after-idle 500"));
    idle.clock.Advance(1h);
    EXPECT_FALSE(idle.vm.ShouldExit());  // nothing has arrived yet
    idle.Receive(Line("%\nO1\n"));
    EXPECT_EQ(idle.vm.NextDeadline(), 1h + 500ms);
    idle.clock.Advance(499ms);
    EXPECT_FALSE(idle.vm.ShouldExit());
    idle.clock.Advance(1ms);
    EXPECT_TRUE(idle.vm.ShouldExit());

    // The controller takes one character a second.
    Machine held(Parse("--exit-after-idle 500 --buffer 32 --high 24 --low 8 --drain 1"));
    held.Receive(Line("%\nO1\nG01X10.Y20.Z30.F100\n"));
    EXPECT_EQ(held.Output(), "\x93");
    held.clock.Advance(5s);
    EXPECT_FALSE(held.vm.ShouldExit());  // the PC is silent because the machine told it to be
    held.clock.Advance(60s);
    EXPECT_EQ(held.Output(), "\x11");
    held.clock.Advance(500ms);
    EXPECT_TRUE(held.vm.ShouldExit());
}

TEST(VirtualMachinePunchTest, StartsAfterTheLineOpensAndObeysDc3AndDc1) {
    const ProgramText program{{"%", "O1", "M30", "%"}};
    Machine m(Parse("--once"), &program);
    const std::string tape = Line("%\nO1\nM30\n%\n");
    m.clock.Advance(10s);
    EXPECT_EQ(m.Output(), "");  // nobody there to punch to
    m.vm.OnLineOpened();
    m.clock.Advance(499ms);
    EXPECT_EQ(m.Output(), "");
    m.clock.Advance(1ms);
    m.vm.Poll();
    EXPECT_EQ(m.vm.PendingOutput(), tape);
    m.vm.OnWritten(4);
    m.Receive("\x93");
    EXPECT_EQ(m.Output(), "");
    EXPECT_EQ(m.vm.NextDeadline(), std::nullopt);
    m.Receive("\x11");
    EXPECT_FALSE(m.vm.ShouldExit());
    EXPECT_EQ(m.Output(), tape.substr(4));
    EXPECT_TRUE(m.vm.ShouldExit());
    EXPECT_EQ(m.vm.Summary().punched, tape.size());

    Machine onDc1(Parse("--once --punch-after-dc1"), &program);
    onDc1.vm.OnLineOpened();
    onDc1.clock.Advance(5s);
    EXPECT_EQ(onDc1.Output(), "");
    onDc1.Receive("\x11");
    onDc1.clock.Advance(500ms);
    EXPECT_EQ(onDc1.Output(), tape);
}

TEST(VirtualMachinePunchTest, OneByteEveryCharacterTimeHeldWhileTheLineIsClosed) {
    const ProgramText letters{{"ABC"}};
    Machine m(Parse("--cps 10 --delay 0 --no-percent"), &letters);  // one byte per 100 ms
    m.vm.OnLineOpened();
    EXPECT_EQ(m.Output(), "A");
    m.clock.Advance(99ms);
    EXPECT_EQ(m.Output(), "");
    m.clock.Advance(1ms);
    EXPECT_EQ(m.Output(), "B");
    m.vm.OnLineClosed();
    m.clock.Advance(10s);
    EXPECT_EQ(m.Output(), "");
    m.vm.OnLineOpened();
    // No burst for the time the line was closed: C now, the line feed 100 ms later.
    EXPECT_EQ(m.Output(), "\xC3");
    EXPECT_EQ(m.vm.NextDeadline(), 10s + 200ms);
}

TEST(VirtualMachinePunchTest, OnRequestReadsTapesAndPunchesEachTimeThePcAsksWithDc1) {
    const ProgramText program{{"O2", "M30"}};
    Machine m(Parse("--punch-on-request TAPE.NC --start dc1 --delay 100"), &program);
    const std::string tape = Line("%\nO2\nM30\n%\n");
    m.vm.OnLineOpened();
    EXPECT_EQ(m.Output(), "\x11");  // ready to read a send
    // A DC1 inside a tape is no request.
    m.Receive(Line("%\nO1\n") + "\x11" + Line("M30\n%\n"));
    m.clock.Advance(1s);
    EXPECT_EQ(m.Output(), "\x11");  // the tape ended: ready for the next one
    ASSERT_EQ(m.sink.stored.size(), 1u);
    EXPECT_EQ(m.sink.stored[0].name, "O1");

    // A receive: the PC opens the line and asks.
    m.vm.OnLineClosed();
    m.vm.OnLineOpened();
    EXPECT_EQ(m.Output(), "\x11");
    m.Receive("\x11");
    m.clock.Advance(99ms);
    EXPECT_EQ(m.Output(), "");
    m.clock.Advance(1ms);
    EXPECT_EQ(m.Output(), tape);
    // No start signal runs into the tape or after it while the PC reads.
    m.clock.Advance(5s);
    EXPECT_EQ(m.Output(), "");

    // A punch the PC closes the line on is abandoned; the next request punches it whole.
    m.vm.OnLineClosed();
    m.vm.OnLineOpened();
    EXPECT_EQ(m.Output(), "\x11");
    m.Receive("\x11");
    m.clock.Advance(100ms);
    m.vm.Poll();
    EXPECT_EQ(m.vm.PendingOutput(), tape);
    m.vm.OnWritten(3);
    m.vm.OnLineClosed();
    m.vm.OnLineOpened();
    EXPECT_EQ(m.Output(), "\x11");
    m.Receive("\x11");
    m.clock.Advance(100ms);
    EXPECT_EQ(m.Output(), tape);
    EXPECT_EQ(m.vm.Summary().punched, 2 * tape.size() + 3);
    EXPECT_FALSE(m.vm.ShouldExit());
}

// A receive says nothing on the line: the PC that opens it and stays quiet for the delay asks
// for the tape; one that answers the start signal sends instead and gets no tape.
TEST(VirtualMachinePunchTest, OnRequestTakesAQuietOpenLineAsARequest) {
    const ProgramText program{{"O2", "M30"}};
    Machine m(Parse("--punch-on-request TAPE.NC --start dc1 --delay 100"), &program);
    const std::string tape = Line("%\nO2\nM30\n%\n");
    m.vm.OnLineOpened();
    EXPECT_EQ(m.Output(), "\x11");
    EXPECT_EQ(m.vm.NextDeadline(), 100ms);
    m.clock.Advance(99ms);
    EXPECT_EQ(m.Output(), "");
    m.clock.Advance(1ms);
    m.vm.Poll();
    m.clock.Advance(100ms);
    EXPECT_EQ(m.Output(), tape);

    // A send answers the start signal at once: no tape runs into it.
    m.vm.OnLineClosed();
    m.vm.OnLineOpened();
    EXPECT_EQ(m.Output(), "\x11");
    m.clock.Advance(10ms);
    m.Receive(Line("%\nO1\nM30\n%\n"));
    m.clock.Advance(2s);
    const std::string after = m.Output();
    EXPECT_EQ(after.find('O'), std::string::npos) << after;
    ASSERT_EQ(m.sink.stored.size(), 1u);
    EXPECT_EQ(m.sink.stored[0].name, "O1");
}

TEST(MachineSummaryTest, WritesEveryKeyInItsOrder) {
    // clang-format off
    MachineSummary s{.code = "eia", .received = 1234, .programs = {"O1", "O2"},
                     .programsIncomplete = 1, .storeErrors = 0, .startSignals = 2, .dc3Sent = 5,
                     .dc1Sent = 4, .overrunMax = 7, .overrunTotal = 20, .lost = 3, .badParity = 6,
                     .undefined = 8, .punched = 9, .punchDropped = 10, .elapsedSeconds = 1.5,
                     .lineCps = 436.3636, .utilisation = 0.98765, .runSeconds = 12.25};
    // clang-format on
    EXPECT_EQ(FormatSummary(s),
              "received=1234\nprograms=2\nprogram_names=O1,O2\nprograms_incomplete=1\n"
              "store_errors=0\nstart_signals=2\ndc3_sent=5\ndc1_sent=4\noverrun_max=7\n"
              "overrun_total=20\nlost=3\nbad_parity=6\nundefined=8\ncode=eia\npunched=9\n"
              "punch_dropped=10\nelapsed=1.500\nline_cps=436.36\nutilisation=0.988\n"
              "run_seconds=12.250\n");
    s.utilisation.reset();
    s.programs.clear();
    EXPECT_NE(FormatSummary(s).find("\nprograms=0\nprogram_names=\n"), std::string::npos);
    EXPECT_NE(FormatSummary(s).find("\nutilisation=n/a\n"), std::string::npos);
}

TEST(MachinePtyTest, ReceivesAnIsoProgramAndStoresItByNumber) {
    test::TempFolder folder;
    test::MachineProcess machine({"--store", folder.File("in"), "--summary", folder.File("s.txt"),
                                  "--raw", folder.File("raw.bin"), "--once", "--start", "dc1"});
    ASSERT_TRUE(machine.Started()) << machine.ErrorOutput();
    const std::string tape = Line("%\nO1234 (PART)\nG01 X10.\nM30\n%\n");
    const int fd = test::OpenRawDevice(machine.DevicePath());
    ASSERT_GE(fd, 0);
    // The machine says it is ready once the PC side has the device open.
    EXPECT_EQ(test::ReadFromDevice(fd, 1, 3s), "\x11");
    ASSERT_EQ(::write(fd, tape.data(), tape.size()), static_cast<ssize_t>(tape.size()));
    const auto status = machine.WaitForExit(5s);
    ::close(fd);
    ASSERT_EQ(status, 0) << machine.ErrorOutput();

    EXPECT_EQ(folder.Read("in/O1234.NC"), "O1234 (PART)\r\nG01 X10.\r\nM30\r\n");
    EXPECT_EQ(folder.Read("raw.bin"), tape);
    const std::string summary = folder.Read("s.txt");
    EXPECT_NE(summary.find("received=30\nprograms=1\nprogram_names=O1234\nprograms_incomplete=0\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("bad_parity=0\nundefined=0\ncode=iso\n"), std::string::npos) << summary;
    // The same summary goes to stderr.
    EXPECT_NE(machine.ErrorOutput().find(summary), std::string::npos) << machine.ErrorOutput();
}

}  // namespace
}  // namespace kelvantori::machine

#include "machine/VirtualMachine.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

namespace kelvantori::machine {
namespace {

using namespace std::chrono_literals;

class RecordingSink : public ProgramSink {
  public:
    bool Store(const ReceivedProgram& program) override {
        stored.push_back(program);
        return !failing;
    }
    std::vector<ReceivedProgram> stored;
    bool failing = false;
};

// What a PC in ISO puts on the line: every character with even parity over eight bits.
std::string IsoLine(const std::string& text) {
    std::string bytes;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        bytes += static_cast<char>(std::popcount(u) % 2 ? u | 0x80 : u);
    }
    return bytes;
}

std::string EiaLine(const std::string& text) {
    std::string bytes;
    for (const char c : text)
        bytes += static_cast<char>(*EncodeCharacter(c, MachineCode::Eia));
    return bytes;
}

MachineConfig ReadingConfig(MachineCode code = MachineCode::Iso) {
    MachineConfig config;
    config.code = code;
    return config;
}

ProgramText Lines(std::vector<std::string> lines) {
    return ProgramText{std::move(lines)};
}

// Everything at once, as an unpaced line delivers it.
void Receive(VirtualMachine& vm, const std::string& bytes) {
    vm.OnReceived(bytes, bytes.size() + 1);
}

std::string TakeOutput(VirtualMachine& vm) {
    const std::string out(vm.PendingOutput());
    vm.OnWritten(out.size());
    return out;
}

TEST(VirtualMachineReadTest, StoresTheProgramByNumberAndCountsBadParity) {
    ManualClock clock;
    RecordingSink sink;
    VirtualMachine vm(ReadingConfig(), clock, &sink);
    std::string bytes = IsoLine("%\nO1234 (PART)\nG01 X10.\nM30\n%\n");
    // The X (0x58, three ones) arrives without its parity bit.
    const auto x = bytes.find(static_cast<char>(0xD8));
    ASSERT_NE(x, std::string::npos);
    bytes[x] = 0x58;
    Receive(vm, bytes);

    ASSERT_EQ(sink.stored.size(), 1u);
    EXPECT_EQ(sink.stored[0].name, "O1234");
    EXPECT_EQ(sink.stored[0].text, Lines({"O1234 (PART)", "G01 X10.", "M30"}));
    EXPECT_TRUE(sink.stored[0].complete);
    const MachineSummary s = vm.Summary();
    EXPECT_EQ(s.badParity, 1u);
    EXPECT_EQ(s.received, bytes.size());
    EXPECT_EQ(s.programs, std::vector<std::string>{"O1234"});
    EXPECT_EQ(s.code, "iso");
}

TEST(VirtualMachineReadTest, ReadsAnEiaTape) {
    ManualClock clock;
    RecordingSink sink;
    VirtualMachine vm(ReadingConfig(MachineCode::Eia), clock, &sink);
    // EIA digits include 0x13 ("3"): it must not be taken for DC3.
    Receive(vm, std::string(5, '\0') + EiaLine("%\nO13\nG00 X-3.5\nM30\n%\n"));
    ASSERT_EQ(sink.stored.size(), 1u);
    EXPECT_EQ(sink.stored[0].name, "O13");
    EXPECT_EQ(sink.stored[0].text, Lines({"O13", "G00 X-3.5", "M30"}));
    EXPECT_EQ(vm.Summary().badParity, 0u);
    EXPECT_EQ(vm.Summary().undefined, 0u);
}

TEST(VirtualMachineReadTest, AutomaticCodeIsDecidedForEachTape) {
    ManualClock clock;
    RecordingSink sink;
    VirtualMachine vm(ReadingConfig(MachineCode::Auto), clock, &sink);
    Receive(vm, EiaLine("%\nO1\nG00 X3.\n%\n"));
    Receive(vm, IsoLine("%\nO2\nG00 X3.\n%\n"));
    ASSERT_EQ(sink.stored.size(), 2u);
    EXPECT_EQ(sink.stored[0].text, Lines({"O1", "G00 X3."}));
    EXPECT_EQ(sink.stored[1].text, Lines({"O2", "G00 X3."}));
    EXPECT_EQ(vm.Summary().badParity, 0u);
    EXPECT_EQ(vm.Summary().code, "iso");
}

TEST(VirtualMachineReadTest, AutomaticCodeHoldsInsideAProgramSoParityErrorsCount) {
    ManualClock clock;
    RecordingSink sink;
    VirtualMachine vm(ReadingConfig(MachineCode::Auto), clock, &sink);
    std::string bytes = IsoLine("%\nO1\nG00 X3.\nM30\n%\n");
    // The X loses its parity bit: odd, as an EIA byte would be, but the tape is ISO by then.
    bytes[bytes.find(static_cast<char>(0xD8))] = 0x58;
    Receive(vm, bytes);
    ASSERT_EQ(sink.stored.size(), 1u);
    EXPECT_EQ(sink.stored[0].text, Lines({"O1", "G00 X3.", "M30"}));
    EXPECT_EQ(vm.Summary().badParity, 1u);
}

TEST(VirtualMachineReadTest, Dc4EndsTheProgram) {
    ManualClock clock;
    RecordingSink sink;
    VirtualMachine vm(ReadingConfig(), clock, &sink);
    Receive(vm, IsoLine("\nO5\nM30\n\x14"));
    ASSERT_EQ(sink.stored.size(), 1u);
    EXPECT_TRUE(sink.stored[0].complete);
    EXPECT_EQ(sink.stored[0].text, Lines({"O5", "M30"}));
}

TEST(VirtualMachineReadTest, AProgramStillOpenAtTheEndIsStoredAsIncomplete) {
    ManualClock clock;
    RecordingSink sink;
    VirtualMachine vm(ReadingConfig(), clock, &sink);
    Receive(vm, IsoLine("%\nO6\nG01 X1.\n"));
    EXPECT_TRUE(sink.stored.empty());
    vm.Finish();
    ASSERT_EQ(sink.stored.size(), 1u);
    EXPECT_FALSE(sink.stored[0].complete);
    EXPECT_EQ(vm.Summary().programsIncomplete, 1u);
    EXPECT_EQ(vm.Summary().programs, std::vector<std::string>{"O6"});
}

TEST(VirtualMachineReadTest, AFailedStoreIsCounted) {
    ManualClock clock;
    RecordingSink sink;
    sink.failing = true;
    VirtualMachine vm(ReadingConfig(), clock, &sink);
    Receive(vm, IsoLine("%\nO1\nM30\n%\n"));
    EXPECT_EQ(vm.Summary().storeErrors, 1u);
}

TEST(VirtualMachineStartSignalTest, Dc1WhenTheLineOpensAgainUntilDataArrives) {
    ManualClock clock;
    MachineConfig config = ReadingConfig();
    config.start = StartSignal::Dc1;
    config.startRepeat = 1000ms;
    VirtualMachine vm(config, clock, nullptr);
    vm.Poll();
    EXPECT_EQ(TakeOutput(vm), "");  // nobody has the device open yet
    vm.OnLineOpened();
    vm.Poll();
    EXPECT_EQ(TakeOutput(vm), "\x11");
    clock.Advance(999ms);
    vm.Poll();
    EXPECT_EQ(TakeOutput(vm), "");
    EXPECT_EQ(vm.NextDeadline(), 1000ms);
    clock.Advance(1ms);
    vm.Poll();
    EXPECT_EQ(TakeOutput(vm), "\x11");
    Receive(vm, IsoLine("%\n"));
    clock.Advance(5s);
    vm.Poll();
    EXPECT_EQ(TakeOutput(vm), "");
    EXPECT_EQ(vm.Summary().startSignals, 2u);
}

TEST(VirtualMachineStartSignalTest, ReadyAgainAfterTheTapeEnded) {
    ManualClock clock;
    MachineConfig config = ReadingConfig();
    config.start = StartSignal::Dc1;
    config.startRepeat = 0ms;  // once per ready moment
    VirtualMachine vm(config, clock, nullptr);
    vm.OnLineOpened();
    vm.Poll();
    EXPECT_EQ(TakeOutput(vm), "\x11");
    clock.Advance(10s);
    vm.Poll();
    EXPECT_EQ(TakeOutput(vm), "");
    Receive(vm, IsoLine("%\nO1\nM30\n%\n"));
    vm.Poll();
    EXPECT_EQ(TakeOutput(vm), "\x11");
}

TEST(VirtualMachineStartSignalTest, PercentGoesOutInTheMachinesCode) {
    ManualClock clock;
    MachineConfig config = ReadingConfig(MachineCode::Eia);
    config.start = StartSignal::Percent;
    VirtualMachine eia(config, clock, nullptr);
    eia.OnLineOpened();
    eia.Poll();
    EXPECT_EQ(TakeOutput(eia), "\x0B");

    config.code = MachineCode::Iso;
    VirtualMachine iso(config, clock, nullptr);
    iso.OnLineOpened();
    iso.Poll();
    EXPECT_EQ(TakeOutput(iso), "\xA5");
}

// A PC on a paced line: it writes while the machine allows, keeps going for `reaction`
// characters after it has seen DC3, and resumes on DC1. Returns what the machine sent.
struct FlowRun {
    std::string machineSent;
    MachineSummary summary;
    std::vector<ReceivedProgram> stored;
};
FlowRun RunPacedTransfer(MachineConfig config, const std::string& tape, std::size_t reaction) {
    ManualClock clock;
    RecordingSink sink;
    VirtualMachine vm(config, clock, &sink);
    vm.OnLineOpened();
    FlowRun run;
    std::size_t pos = 0;
    bool stopped = false;
    bool draining = false;  // the PC has seen DC3 and sends its last few characters
    std::size_t leftAfterDc3 = 0;
    for (int ms = 0; ms < 60'000; ++ms) {
        clock.Advance(1ms);
        vm.Poll();
        for (const char c : TakeOutput(vm)) {
            run.machineSent += c;
            if (c == static_cast<char>(config.dc3Byte)) {
                draining = true;
                leftAfterDc3 = reaction;
            }
            if (c == '\x11') {
                stopped = false;
                draining = false;
            }
        }
        std::size_t available = stopped ? 0 : tape.size() - pos;
        if (draining) {
            available = std::min(available, leftAfterDc3);
        }
        const std::size_t allowance = vm.ReadAllowance();
        const std::size_t n = std::min(allowance, available);
        vm.OnReceived(tape.substr(pos, n), allowance);
        pos += n;
        if (draining) {
            leftAfterDc3 -= n;
            stopped = leftAfterDc3 == 0;
        }
        const MachineSummary now = vm.Summary();
        if (pos == tape.size() && now.dc1Sent == now.dc3Sent)
            break;
    }
    run.summary = vm.Summary();
    run.stored = sink.stored;
    return run;
}

std::string LongProgram(std::vector<std::string>& lines) {
    lines = {"O4321"};
    for (int i = 0; i < 40; ++i)
        lines.push_back("G01 X" + std::to_string(i) + ".125 Y-2.5 F300");
    lines.push_back("M30");
    std::string text = "%\n";
    for (const auto& line : lines)
        text += line + "\n";
    return text + "%\n";
}

TEST(VirtualMachineFlowTest, Dc3AtTheHighMarkDc1AtTheLowMarkAndTheOverrunCounted) {
    MachineConfig config = ReadingConfig();
    config.flow = FlowSettings{32, 24, 8, 200.0};
    config.lineCps = 1000.0;
    std::vector<std::string> lines;
    const FlowRun run = RunPacedTransfer(config, IsoLine(LongProgram(lines)), 3);

    ASSERT_GT(run.summary.dc3Sent, 3u);
    EXPECT_EQ(run.summary.dc1Sent, run.summary.dc3Sent);
    // DC3 and DC1 take turns, starting with DC3.
    std::string expected;
    for (std::size_t i = 0; i < run.summary.dc3Sent; ++i)
        expected += "\x93\x11";
    EXPECT_EQ(run.machineSent, expected);
    EXPECT_EQ(run.summary.overrunMax, 3u);
    EXPECT_EQ(run.summary.overrunTotal, 3 * run.summary.dc3Sent);
    EXPECT_EQ(run.summary.lost, 0u);
    ASSERT_EQ(run.stored.size(), 1u);
    EXPECT_EQ(run.stored[0].text.lines, lines);
}

TEST(VirtualMachineFlowTest, Dc3CanBeSentWithoutParityBit) {
    MachineConfig config = ReadingConfig();
    config.flow = FlowSettings{32, 24, 8, 200.0};
    config.dc3Byte = 0x13;
    config.lineCps = 1000.0;
    std::vector<std::string> lines;
    const FlowRun run = RunPacedTransfer(config, IsoLine(LongProgram(lines)), 1);
    ASSERT_GT(run.summary.dc3Sent, 0u);
    EXPECT_EQ(run.machineSent.substr(0, 2), "\x13\x11");
}

TEST(VirtualMachineFlowTest, APcThatIgnoresDc3LosesCharacters) {
    ManualClock clock;
    RecordingSink sink;
    MachineConfig config = ReadingConfig();
    config.flow = FlowSettings{8, 6, 2, 1.0};
    VirtualMachine vm(config, clock, &sink);
    Receive(vm, IsoLine("O1\nX12345678901234\n"));
    EXPECT_EQ(TakeOutput(vm), "\x93");
    vm.Finish();
    const MachineSummary s = vm.Summary();
    // Nineteen characters: DC3 after the sixth, room for eight.
    EXPECT_EQ(s.lost, 11u);
    EXPECT_EQ(s.overrunTotal, 13u);
    ASSERT_EQ(sink.stored.size(), 1u);
    EXPECT_EQ(sink.stored[0].text, Lines({"O1", "X1234"}));
    EXPECT_FALSE(sink.stored[0].complete);
}

TEST(VirtualMachinePacingTest, AFullyUsedLineShowsFullUtilisation) {
    ManualClock clock;
    MachineConfig config = ReadingConfig();
    config.lineCps = 1000.0;
    VirtualMachine vm(config, clock, nullptr);
    std::size_t taken = 0;
    while (taken < 2000) {
        clock.Advance(1ms);
        const std::size_t n = vm.ReadAllowance();
        vm.OnReceived(std::string(n, '\xA0'), n);
        taken += n;
    }
    const MachineSummary s = vm.Summary();
    EXPECT_NEAR(s.elapsedSeconds, 2.0, 0.002);
    ASSERT_TRUE(s.utilisation.has_value());
    EXPECT_NEAR(*s.utilisation, 1.0, 0.001);
    EXPECT_DOUBLE_EQ(s.lineCps, 1000.0);
}

TEST(VirtualMachinePacingTest, APcThatSendsHalfTheTimeUsesHalfTheLine) {
    ManualClock clock;
    MachineConfig config = ReadingConfig();
    config.lineCps = 1000.0;
    VirtualMachine vm(config, clock, nullptr);
    for (int ms = 1; ms <= 2000; ++ms) {
        clock.Advance(1ms);
        const std::size_t allowance = vm.ReadAllowance();
        // Every other millisecond the PC has nothing queued.
        const std::size_t n = ms % 2 ? std::min<std::size_t>(allowance, 1) : 0;
        vm.OnReceived(std::string(n, '\xA0'), allowance);
    }
    ASSERT_TRUE(vm.Summary().utilisation.has_value());
    EXPECT_NEAR(*vm.Summary().utilisation, 0.5, 0.01);
}

TEST(VirtualMachineExitTest, OnceExitsWhenTheTapeWithAProgramHasEnded) {
    ManualClock clock;
    MachineConfig config = ReadingConfig();
    config.once = true;
    RecordingSink sink;
    VirtualMachine vm(config, clock, &sink);
    Receive(vm, IsoLine("%\n"));
    EXPECT_FALSE(vm.ShouldExit());
    Receive(vm, IsoLine("O1\nM99\nO2\nM30\n"));
    EXPECT_FALSE(vm.ShouldExit());  // the second program is still coming
    Receive(vm, IsoLine("%"));
    EXPECT_TRUE(vm.ShouldExit());
    EXPECT_EQ(sink.stored.size(), 2u);
}

TEST(VirtualMachineExitTest, ATapeWithoutProgramDoesNotEndAOnceRun) {
    ManualClock clock;
    MachineConfig config = ReadingConfig();
    config.once = true;
    VirtualMachine vm(config, clock, nullptr);
    Receive(vm, IsoLine("%\nTEXT\n\x14"));
    EXPECT_FALSE(vm.ShouldExit());
}

TEST(VirtualMachineExitTest, IdleExitCountsFromTheLastCharacter) {
    ManualClock clock;
    MachineConfig config = ReadingConfig();
    config.exitAfterIdle = 500ms;
    VirtualMachine vm(config, clock, nullptr);
    clock.Advance(1h);
    EXPECT_FALSE(vm.ShouldExit());  // nothing has arrived yet
    Receive(vm, IsoLine("%\nO1\n"));
    EXPECT_EQ(vm.NextDeadline(), 1h + 500ms);
    clock.Advance(499ms);
    EXPECT_FALSE(vm.ShouldExit());
    clock.Advance(1ms);
    EXPECT_TRUE(vm.ShouldExit());
}

TEST(VirtualMachineExitTest, IdleExitWaitsWhileTheMachineHoldsItsOwnDc3) {
    ManualClock clock;
    MachineConfig config = ReadingConfig();
    config.flow = FlowSettings{32, 24, 8, 1.0};  // drains one character a second
    config.exitAfterIdle = 500ms;
    VirtualMachine vm(config, clock, nullptr);
    vm.OnLineOpened();
    Receive(vm, IsoLine("%\nO1\nG01X10.Y20.Z30.F100\n"));
    vm.Poll();
    ASSERT_NE(TakeOutput(vm).find('\x93'), std::string::npos);  // DC3: the PC must wait
    clock.Advance(5s);
    vm.Poll();
    EXPECT_FALSE(vm.ShouldExit());  // the PC is silent because the machine told it to be
    clock.Advance(60s);
    vm.Poll();
    EXPECT_NE(TakeOutput(vm).find('\x11'), std::string::npos);  // drained: DC1
    clock.Advance(500ms);
    EXPECT_TRUE(vm.ShouldExit());
}

MachineConfig PunchConfig() {
    MachineConfig config;
    config.code = MachineCode::Iso;
    config.punchDelay = 500ms;
    return config;
}

TEST(VirtualMachinePunchTest, StartsAfterTheLineOpensAndObeysDc3AndDc1) {
    ManualClock clock;
    MachineConfig config = PunchConfig();
    config.once = true;
    const ProgramText program = Lines({"%", "O1", "M30", "%"});
    VirtualMachine vm(config, clock, nullptr, &program);
    const std::string tape = IsoLine("%\nO1\nM30\n%\n");

    clock.Advance(10s);
    vm.Poll();
    EXPECT_EQ(vm.PendingOutput(), "");  // nobody there to punch to
    vm.OnLineOpened();
    clock.Advance(499ms);
    vm.Poll();
    EXPECT_EQ(vm.PendingOutput(), "");
    clock.Advance(1ms);
    vm.Poll();
    EXPECT_EQ(vm.PendingOutput(), tape);
    vm.OnWritten(4);
    Receive(vm, "\x93");
    EXPECT_EQ(vm.PendingOutput(), "");
    EXPECT_EQ(vm.NextDeadline(), std::nullopt);
    Receive(vm, "\x11");
    EXPECT_EQ(vm.PendingOutput(), tape.substr(4));
    EXPECT_FALSE(vm.ShouldExit());
    vm.OnWritten(tape.size() - 4);
    EXPECT_TRUE(vm.PunchDone());
    EXPECT_TRUE(vm.ShouldExit());
    EXPECT_EQ(vm.Summary().punched, tape.size());
}

TEST(VirtualMachinePunchTest, WaitsForDc1WhenAsked) {
    ManualClock clock;
    MachineConfig config = PunchConfig();
    config.punchTrigger = PunchTrigger::Dc1;
    config.punchDelay = 0ms;
    const ProgramText program = Lines({"O1"});
    VirtualMachine vm(config, clock, nullptr, &program);
    vm.OnLineOpened();
    clock.Advance(5s);
    vm.Poll();
    EXPECT_EQ(vm.PendingOutput(), "");
    Receive(vm, "\x11");
    vm.Poll();
    EXPECT_EQ(vm.PendingOutput(), IsoLine("%\nO1\n%\n"));
}

TEST(VirtualMachinePunchTest, AClosedLineHoldsThePunchAndAReopenResumesIt) {
    ManualClock clock;
    MachineConfig config = PunchConfig();
    config.punchCps = 10.0;
    config.punchDelay = 0ms;
    config.punch.percentFraming = false;
    const ProgramText program = Lines({"ABCDEFGH"});
    VirtualMachine vm(config, clock, nullptr, &program);
    vm.OnLineOpened();
    vm.Poll();
    EXPECT_EQ(TakeOutput(vm), IsoLine("A"));
    clock.Advance(100ms);
    EXPECT_EQ(TakeOutput(vm), IsoLine("B"));
    vm.OnLineClosed();
    clock.Advance(10s);
    vm.Poll();
    EXPECT_EQ(TakeOutput(vm), "");
    vm.OnLineOpened();
    vm.Poll();
    EXPECT_EQ(TakeOutput(vm), IsoLine("C"));
    EXPECT_EQ(vm.NextDeadline(), 10s + 200ms);
}

TEST(MachineSummaryTest, WritesEveryKeyInItsOrder) {
    MachineSummary s;
    s.code = "eia";
    s.received = 1234;
    s.programs = {"O1", "O2"};
    s.programsIncomplete = 1;
    s.storeErrors = 0;
    s.startSignals = 2;
    s.dc3Sent = 5;
    s.dc1Sent = 4;
    s.overrunMax = 7;
    s.overrunTotal = 20;
    s.lost = 3;
    s.badParity = 6;
    s.undefined = 8;
    s.punched = 9;
    s.punchDropped = 10;
    s.elapsedSeconds = 1.5;
    s.lineCps = 436.3636;
    s.utilisation = 0.98765;
    s.runSeconds = 12.25;
    EXPECT_EQ(FormatSummary(s),
              "received=1234\nprograms=2\nprogram_names=O1,O2\nprograms_incomplete=1\n"
              "store_errors=0\nstart_signals=2\ndc3_sent=5\ndc1_sent=4\noverrun_max=7\n"
              "overrun_total=20\nlost=3\nbad_parity=6\nundefined=8\ncode=eia\npunched=9\n"
              "punch_dropped=10\nelapsed=1.500\nline_cps=436.36\nutilisation=0.988\n"
              "run_seconds=12.250\n");
    s.utilisation.reset();
    s.programs.clear();
    const std::string text = FormatSummary(s);
    EXPECT_NE(text.find("\nutilisation=n/a\n"), std::string::npos);
    EXPECT_NE(text.find("\nprograms=0\nprogram_names=\n"), std::string::npos);
}

}  // namespace
}  // namespace kelvantori::machine

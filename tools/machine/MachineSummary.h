// What the virtual controller counted, printed on exit and written as key=value lines for tests
// and benchmarks.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kelvantori::machine {

struct MachineSummary {
    std::string code;                   // the code read: iso, eia, 7bit; auto while undecided
    std::size_t received = 0;           // bytes taken from the line
    std::vector<std::string> programs;  // names of the programs stored, in the order they ended
    std::size_t programsIncomplete =
        0;  // still open when the machine stopped (stored all the same)
    std::size_t storeErrors = 0;
    std::size_t startSignals = 0;
    std::size_t dc3Sent = 0;
    std::size_t dc1Sent = 0;
    std::size_t overrunMax = 0;
    std::size_t overrunTotal = 0;
    std::size_t lost = 0;  // arrived while the receive buffer was full
    std::size_t badParity = 0;
    std::size_t undefined = 0;          // right parity, but no character of the code
    std::size_t punched = 0;            // bytes of the punch taken by the line
    std::size_t punchDropped = 0;       // characters of the punch file without a form in the code
    double elapsedSeconds = 0;          // from the first received character to the last
    double lineCps = 0;                 // 0 when reading was not paced
    std::optional<double> utilisation;  // received / (elapsed × line cps), when paced
    double runSeconds = 0;
};

// One key=value line per field, in a fixed order:
// received, programs, program_names (comma-separated), programs_incomplete, store_errors,
// start_signals, dc3_sent, dc1_sent, overrun_max, overrun_total, lost, bad_parity, undefined,
// code, punched, punch_dropped, elapsed, line_cps, utilisation ("n/a" without pacing),
// run_seconds.
std::string FormatSummary(const MachineSummary& summary);

}  // namespace kelvantori::machine

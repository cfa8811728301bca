// The summary's key=value text.
#include "machine/MachineSummary.h"

#include <cstdio>

namespace kelvantori::machine {

namespace {

std::string Fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

}  // namespace

std::string FormatSummary(const MachineSummary& s) {
    std::string names;
    for (const auto& name : s.programs) {
        if (!names.empty())
            names += ',';
        names += name;
    }
    std::string out;
    const auto line = [&out](const char* key, const std::string& value) {
        out += key;
        out += '=';
        out += value;
        out += '\n';
    };
    line("received", std::to_string(s.received));
    line("programs", std::to_string(s.programs.size()));
    line("program_names", names);
    line("programs_incomplete", std::to_string(s.programsIncomplete));
    line("store_errors", std::to_string(s.storeErrors));
    line("start_signals", std::to_string(s.startSignals));
    line("dc3_sent", std::to_string(s.dc3Sent));
    line("dc1_sent", std::to_string(s.dc1Sent));
    line("overrun_max", std::to_string(s.overrunMax));
    line("overrun_total", std::to_string(s.overrunTotal));
    line("lost", std::to_string(s.lost));
    line("bad_parity", std::to_string(s.badParity));
    line("undefined", std::to_string(s.undefined));
    line("code", s.code);
    line("punched", std::to_string(s.punched));
    line("punch_dropped", std::to_string(s.punchDropped));
    line("elapsed", Fixed(s.elapsedSeconds, 3));
    line("line_cps", Fixed(s.lineCps, 2));
    line("utilisation", s.utilisation ? Fixed(*s.utilisation, 3) : "n/a");
    line("run_seconds", Fixed(s.runSeconds, 3));
    return out;
}

}  // namespace kelvantori::machine

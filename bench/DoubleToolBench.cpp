// `kelvantori-cli double X` against an awk script that doubles the first X word of every line
// the same way, both timed as whole commands, side by side, at the full size and at half of it.
// Usage: DoubleToolBench [MB] [repetitions] (default 100 5).
#include "ToolBench.h"

namespace {

using namespace kelvantori::bench;

// The first "X" of a line, the run of value characters after it, doubled with as many decimals
// as it was written with (one for a value ending in the point), every line ended by CR LF. awk
// doubles in binary floating point; the inputs are short enough for it to be exact.
constexpr const char* kDoubleAwk = R"AWK(BEGIN { ORS = "\r\n" }
{
    sub(/\r$/, "")
    p = index($0, "X")
    if (p) {
        rest = substr($0, p + 1)
        if (match(rest, /^[-0-9. ]+/)) {
            v = substr(rest, 1, RLENGTH)
            sub(/ +$/, "", v)
            t = v
            gsub(/ /, "", t)
            if (t != "" && t != "-") {
                d = index(t, ".")
                if (d) { n = length(t) - d; if (n == 0) n = 1; f = sprintf("%." n "f", t * 2) }
                else f = sprintf("%d", t * 2)
                $0 = substr($0, 1, p) f substr(rest, length(v) + 1)
            }
        }
    }
    print > out
}
)AWK";

struct Size {
    double mb;
    Side ours{};
    Side awk{};
    std::size_t bytes = 0;
};

}  // namespace

int main(int argc, char** argv) {
    HandleMeasureMode(argc, argv);
    const double mb = argc > 1 ? std::atof(argv[1]) : 100;
    const int reps = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string cli = CliPath(argv[0]);
    Scratch scratch;
    WriteFile(scratch.File("double.awk"), kDoubleAwk);

    std::vector<Size> sizes{{mb}, {mb / 2}};
    for (auto& size : sizes) {
        const std::string input = scratch.File("IN.NC");
        {
            PieceWriter writer(input);
            writer.Buffer() += "%\r\n";
            int number = 1;
            while (writer.Written() + 12000 < static_cast<std::size_t>(size.mb * 1e6)) {
                AppendProgram(writer.Buffer(), number++, 10000);
                writer.MaybeFlush();
            }
            writer.Buffer() += "%\r\n";
            size.bytes = writer.Written();
        }
        const std::string oursOutput = scratch.File("IN_2.NC");
        const std::string awkOutput = scratch.File("AWK.NC");
        const std::vector<std::string> oursCommand{cli, "double", "X", input};
        const std::vector<std::string> awkCommand{
            "/usr/bin/awk", "-v", "out=" + awkOutput, "-f", scratch.File("double.awk"), input};

        if (RunChild(oursCommand).status != 0 || RunChild(awkCommand).status != 0) {
            std::fprintf(stderr, "a command failed\n");
            return 1;
        }
        if (ReadFile(oursOutput) != ReadFile(awkOutput)) {
            std::fprintf(stderr, "kelvantori-cli and awk gave different files\n");
            return 1;
        }
        AlternateRounds(
            reps,
            [&] {
                fs::remove(oursOutput);
                fs::remove(awkOutput);
            },
            [&] { return RunChild(oursCommand); }, [&] { return RunChild(awkCommand); }, size.ours,
            size.awk);
        std::printf(
            "double X %6.1f MB: kelvantori-cli %.3f s  awk %.3f s  ratio %.2f"
            "  (median of %d)\n",
            static_cast<double>(size.bytes) / 1e6, size.ours.Median(), size.awk.Median(),
            size.ours.Median() / size.awk.Median(), reps);
    }
    std::printf("linearity time(%.0f MB)/time(%.0f MB): kelvantori-cli %.2f  awk %.2f\n",
                sizes[0].mb, sizes[1].mb, sizes[0].ours.Median() / sizes[1].ours.Median(),
                sizes[0].awk.Median() / sizes[1].awk.Median());
    std::printf("peak memory at %.0f MB: kelvantori-cli %.1f MB  awk %.1f MB\n", sizes[0].mb,
                static_cast<double>(sizes[0].ours.maxRssKb) / 1024,
                static_cast<double>(sizes[0].awk.maxRssKb) / 1024);
    return 0;
}

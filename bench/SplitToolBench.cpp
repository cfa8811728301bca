// `kelvantori-cli split` against an awk script that writes one file per program the same way,
// both timed as whole commands, side by side, at the full size and at half of it.
// Usage: SplitToolBench [MB] [programs] [repetitions] (default 100 10000 5).
#include "ToolBench.h"

namespace {

using namespace kelvantori::bench;

// One file per program start line (O, : or L), named up to the first "(" with ":" as "O",
// lines beginning with "%" dropped, the lines before the first program at the front of the
// first file, every line ended by CR LF; a second program of a name replaces the first.
constexpr const char* kSplitAwk = R"AWK(BEGIN { ORS = "\r\n" }
{ sub(/\r$/, "") }
/^[O:L]/ {
    if (out != "") close(out)
    name = $0
    p = index(name, "(")
    if (p) name = substr(name, 1, p - 1)
    if (substr(name, 1, 1) == ":") name = "O" substr(name, 2)
    out = dir "/" name ".NC"
    printf "%s", head > out
    head = ""
}
/^%/ { next }
{ if (out == "") head = head $0 ORS; else print > out }
)AWK";

struct Size {
    double mb;
    int programs;
    Side ours{};
    Side awk{};
};

}  // namespace

int main(int argc, char** argv) {
    HandleMeasureMode(argc, argv);
    const double mb = argc > 1 ? std::atof(argv[1]) : 100;
    const int programs = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int reps = argc > 3 ? std::atoi(argv[3]) : 5;
    const std::string cli = CliPath(argv[0]);
    Scratch scratch;
    WriteFile(scratch.File("split.awk"), kSplitAwk);
    const std::size_t programBytes = static_cast<std::size_t>(mb * 1e6 / programs);

    std::vector<Size> sizes{{mb, programs}, {mb / 2, programs / 2}};
    for (auto& size : sizes) {
        const std::string input = scratch.File("IN.NC");
        std::size_t inputSize = 0;
        {
            PieceWriter writer(input);
            writer.Buffer() += "%\r\n";
            for (int i = 1; i <= size.programs; ++i) {
                AppendProgram(writer.Buffer(), i, programBytes);
                writer.MaybeFlush();
            }
            writer.Buffer() += "%\r\n";
            inputSize = writer.Written();
        }

        const std::string ours = scratch.File("ours");
        const std::string theirs = scratch.File("awk");
        fs::create_directories(ours);
        fs::create_directories(theirs);
        const std::vector<std::string> oursCommand{cli, "split", input, "--to", ours};
        const std::vector<std::string> awkCommand{
            "/usr/bin/awk", "-v", "dir=" + theirs, "-f", scratch.File("split.awk"), input};

        // Once each, to warm the caches and to check that both wrote the same files.
        if (RunChild(oursCommand).status != 0 || RunChild(awkCommand).status != 0) {
            std::fprintf(stderr, "a command failed\n");
            return 1;
        }
        if (!SameFiles(ours, theirs)) {
            std::fprintf(stderr, "kelvantori-cli and awk wrote different files\n");
            return 1;
        }
        AlternateRounds(
            reps,
            [&] {
                EmptyFolder(ours);
                EmptyFolder(theirs);
            },
            [&] { return RunChild(oursCommand); }, [&] { return RunChild(awkCommand); }, size.ours,
            size.awk);
        std::printf(
            "split %6.1f MB, %5zu files: kelvantori-cli %.3f s  awk %.3f s  ratio %.2f"
            "  (median of %d)\n",
            static_cast<double>(inputSize) / 1e6, CountFiles(ours), size.ours.Median(),
            size.awk.Median(), size.ours.Median() / size.awk.Median(), reps);
        EmptyFolder(ours);
        EmptyFolder(theirs);
    }
    std::printf("linearity time(%.0f MB)/time(%.0f MB): kelvantori-cli %.2f  awk %.2f\n",
                sizes[0].mb, sizes[1].mb, sizes[0].ours.Median() / sizes[1].ours.Median(),
                sizes[0].awk.Median() / sizes[1].awk.Median());
    std::printf(
        "peak memory at %.0f MB: kelvantori-cli %.1f MB  awk %.1f MB  (largest program "
        "%.1f KB)\n",
        sizes[0].mb, static_cast<double>(sizes[0].ours.maxRssKb) / 1024,
        static_cast<double>(sizes[0].awk.maxRssKb) / 1024,
        static_cast<double>(programBytes) / 1024);
    return 0;
}

// `kelvantori-cli join` against `cat` for the same files, both timed as whole commands, side by
// side, for the full count of files and for half of it.
// Usage: JoinToolBench [files] [KB per file] [repetitions] (default 1000 100 5).
#include "ToolBench.h"

namespace {

using namespace kelvantori::bench;

struct Size {
    int files;
    Side ours{};
    Side cat{};
    Side catSync{};  // cat, then the target flushed to the disk as a safe save does
    std::size_t bytes = 0;
};

}  // namespace

int main(int argc, char** argv) {
    HandleMeasureMode(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 1000;
    const std::size_t fileBytes =
        static_cast<std::size_t>(argc > 2 ? std::atof(argv[2]) : 100) * 1000;
    const int reps = argc > 3 ? std::atoi(argv[3]) : 5;
    const std::string cli = CliPath(argv[0]);
    Scratch scratch;
    const std::string in = scratch.File("in");
    const std::string out = scratch.File("out");
    fs::create_directories(in);
    fs::create_directories(out);

    // The inputs are files written by the program (CR LF), so joining leaves their bytes as
    // they are and both commands must give the same file.
    std::vector<std::string> names;
    for (int i = 1; i <= files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "O%05d.NC", i);
        names.push_back(in + "/" + name);
        std::string bytes = "%\r\n";
        AppendProgram(bytes, i, fileBytes - 6);
        bytes += "%\r\n";
        WriteFile(names.back(), bytes);
    }

    std::vector<Size> sizes{{files}, {files / 2}};
    for (auto& size : sizes) {
        const std::vector<std::string> inputs(names.begin(), names.begin() + size.files);
        // join writes its target beside the first file; cat writes into the other folder.
        std::vector<std::string> oursCommand{cli, "join", "ALL"};
        oursCommand.insert(oursCommand.end(), inputs.begin(), inputs.end());
        std::vector<std::string> catCommand{"/bin/cat"};
        catCommand.insert(catCommand.end(), inputs.begin(), inputs.end());
        // The program's safe save ends with the file on the disk (fsync); cat leaves it in the
        // page cache. The second baseline does the same work as ours: cat, then sync the file.
        std::vector<std::string> catSyncCommand{
            "/bin/sh", "-c", "cat \"$@\" > \"$0\" && sync \"$0\"", out + "/SYNCED.NC"};
        catSyncCommand.insert(catSyncCommand.end(), inputs.begin(), inputs.end());
        const std::string oursTarget = in + "/ALL.NC";
        const std::string catTarget = out + "/ALL.NC";

        if (RunChild(oursCommand).status != 0 || RunChild(catCommand, "", catTarget).status != 0) {
            std::fprintf(stderr, "a command failed\n");
            return 1;
        }
        if (ReadFile(oursTarget) != ReadFile(catTarget)) {
            std::fprintf(stderr, "kelvantori-cli and cat gave different files\n");
            return 1;
        }
        size.bytes = static_cast<std::size_t>(fs::file_size(oursTarget));
        AlternateRounds(
            reps,
            [&] {
                fs::remove(oursTarget);
                fs::remove(catTarget);
                fs::remove(out + "/SYNCED.NC");
                size.catSync.Add(RunChild(catSyncCommand));
            },
            [&] { return RunChild(oursCommand); },
            [&] { return RunChild(catCommand, "", catTarget); }, size.ours, size.cat);
        fs::remove(oursTarget);
        std::printf(
            "join %5d files, %6.1f MB: kelvantori-cli %.3f s  cat %.3f s  ratio %.2f  "
            "cat+sync %.3f s  ratio %.2f  (median of %d)\n",
            size.files, static_cast<double>(size.bytes) / 1e6, size.ours.Median(),
            size.cat.Median(), size.ours.Median() / size.cat.Median(), size.catSync.Median(),
            size.ours.Median() / size.catSync.Median(), reps);
    }
    std::printf("linearity time(%d files)/time(%d files): kelvantori-cli %.2f  cat %.2f\n",
                sizes[0].files, sizes[1].files, sizes[0].ours.Median() / sizes[1].ours.Median(),
                sizes[0].cat.Median() / sizes[1].cat.Median());
    std::printf(
        "peak memory at %d files: kelvantori-cli %.1f MB  cat %.1f MB  (largest file "
        "%.1f KB)\n",
        sizes[0].files, static_cast<double>(sizes[0].ours.maxRssKb) / 1024,
        static_cast<double>(sizes[0].cat.maxRssKb) / 1024, static_cast<double>(fileBytes) / 1024);
    return 0;
}

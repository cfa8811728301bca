// The file view of a large program: a program of 100 MB (unless told otherwise) opened with V in
// the window until its first page is painted, side by side with the loader alone in the same run
// (target: at most 1.2 times), and the memory the view holds while it shows the program against
// the file's size (target: at most 1.5 times).
//
// Usage: ViewWindowBench [megabytes] [parent-folder]
#include <QKeyEvent>
#include <filesystem>
#include <fstream>

#include "BenchFolders.h"
#include "WindowBench.h"
#include "files/ProgramLoader.h"
#include "ui/MainView.h"
#include "ui/ProgramView.h"

namespace {

using namespace kelvantori;
using namespace kelvantori::bench;
using Stopwatch = std::chrono::steady_clock;
constexpr int kRounds = 5;

// NC blocks of a shop's programs: 30 to 40 bytes a line, CR LF.
std::uint64_t MakeProgram(const std::string& path, std::uint64_t bytes) {
    std::ofstream out(path, std::ios::binary);
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> coordinate(-99999, 99999);
    std::uint64_t written = 0;
    char line[96];
    out << "%\r\nO1234(BENCH)\r\n";
    for (long n = 1; written < bytes; ++n) {
        const int length =
            std::snprintf(line, sizeof line, "N%ld G01 X%d.%03d Y%d.%03d F1200\r\n", n % 100000,
                          coordinate(random) / 1000, std::abs(coordinate(random)) % 1000,
                          coordinate(random) / 1000, std::abs(coordinate(random)) % 1000);
        out.write(line, length);
        written += static_cast<std::uint64_t>(length);
    }
    out << "M30\r\n%\r\n";
    out.close();
    return std::filesystem::file_size(path);
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100;
    const std::string parent = argc > 2 ? argv[2] : std::string();
    int qtArgc = 1;
    auto app = OffscreenApplication(qtArgc, argv);

    const BenchFolder scratch(parent);
    const std::string& folder = scratch.Path();
    const std::uint64_t size = MakeProgram(folder + "/O1234.NC", megabytes << 20);
    std::printf("program %s/O1234.NC: %llu bytes\n", folder.c_str(),
                static_cast<unsigned long long>(size));

    WindowBench bench(folder);
    TForm1& form = bench.Form();
    MainView& view = form.view();
    const auto noQuestion = [](const std::string&) { return false; };

    std::vector<double> loaderTimes;
    std::vector<double> viewTimes;
    double heldRatio = 0;
    std::size_t lines = 0;
    for (int round = 0; round <= kRounds; ++round) {
        auto start = Stopwatch::now();
        {
            const LoadedProgram loaded =
                LoadFileIntoView(bench.Host().Files(), "D:\\O1234.NC", noQuestion);
            const double loaderTime = Seconds(Stopwatch::now() - start);
            if (round > 0)
                loaderTimes.push_back(loaderTime);
        }

        form.model().Select(0);
        const std::size_t before = HeapInUse();
        start = Stopwatch::now();
        form.PressKey(Qt::Key_V);
        view.RichEdit1->viewport()->repaint();
        const double viewTime = Seconds(Stopwatch::now() - start);
        const std::size_t held = HeapInUse() - before;
        lines = view.RichEdit1->LineCount();
        heldRatio = static_cast<double>(held) / static_cast<double>(size);
        if (round > 0)
            viewTimes.push_back(viewTime);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(view.RichEdit1, &escape);
        form.ReturnToIdle();
    }
    const double loader = Median(loaderTimes);
    const double viewed = Median(viewTimes);
    std::printf("lines shown: %zu\n", lines);
    std::printf("loader alone: %.1f ms (median of %d)\n", loader * 1000, kRounds);
    std::printf("V to the first painted page: %.1f ms (median of %d)\n", viewed * 1000, kRounds);
    std::printf("ratio view / loader: %.2f (target <= 1.2)\n", viewed / loader);
    std::printf("memory held by the view: %.2f x the file size (target <= 1.5)\n", heldRatio);

    return 0;
}

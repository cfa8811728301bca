// The split in the window: a file of 100 MB with 10,000 programs (unless told otherwise) split
// with B through TDividesForm into 10,000 files, side by side in the same run with the split of
// the shared tool run alone (RunSplit streaming the file, as kelvantori-cli does), alternating
// which goes first (target: window at most 1.2 times the tool alone). While the window splits,
// a 10 ms timer measures how late the window answers (target: 99th percentile at most 50 ms).
//
// Usage: SplitWindowBench [megabytes] [programs] [rounds]
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include "ToolBench.h"
#include "WindowBench.h"
#include "files/SplitTool.h"

namespace {

using namespace kelvantori;
using namespace kelvantori::bench;
using Stopwatch = std::chrono::steady_clock;

// The tool alone asks nothing and is never stopped.
class QuietHost : public ToolHost {
  public:
    bool AskYesNo(const std::string&) override { return true; }
    bool Progress(const ToolProgress&) override { return true; }
};

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

}  // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 100;
    const int programs = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    int qtArgc = 1;
    auto app = OffscreenApplication(qtArgc, argv);

    Scratch scratch;
    const std::string data = scratch.File("data");
    fs::create_directories(data + "/OUT");
    std::size_t inputSize = 0;
    {
        PieceWriter writer(data + "/IN.NC");
        const auto programBytes = static_cast<std::size_t>(megabytes * 1e6 / programs);
        writer.Buffer() += "%\r\n";
        for (int i = 1; i <= programs; ++i) {
            AppendProgram(writer.Buffer(), i, programBytes);
            writer.MaybeFlush();
        }
        writer.Buffer() += "%\r\n";
        inputSize = writer.Written();
    }
    std::printf("input %s/IN.NC: %.1f MB, %d programs\n", data.c_str(),
                static_cast<double>(inputSize) / 1e6, programs);

    WindowBench bench(data);
    TForm1& form = bench.Form();
    FileSystem& files = bench.Host().Files();

    // The window's side: B on IN.NC, the folder typed into the dialog and OK pressed; a 10 ms
    // timer runs all the while and notes how late each of its ticks comes.
    std::vector<double> lateness;  // milliseconds, every tick of every round
    double worstLate = 0;
    Stopwatch::time_point opened, split;  // the dialog opened (the file loaded), the split done
    bench.Prompts().runDialog = [&](QDialog& dialog) {
        opened = Stopwatch::now();
        dialog.findChild<QComboBox*>("ComboBox1")->setEditText("D:\\OUT");
        dialog.findChild<QPushButton*>("Button1")->click();
        split = Stopwatch::now();
        return dialog.result();
    };
    std::vector<double> loadTimes, dialogTimes;
    const auto runWindow = [&] {
        form.model().Select(form.model().FirstFileLine());
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(10);
        QElapsedTimer clock;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const double late = static_cast<double>(clock.nsecsElapsed()) / 1e6 - 10.0;
            lateness.push_back(std::max(0.0, late));
            worstLate = std::max(worstLate, late);
            clock.restart();
        });
        const auto start = Stopwatch::now();
        clock.start();
        ticker.start();
        form.PressKey(Qt::Key_B);
        ticker.stop();
        const double seconds = Seconds(Stopwatch::now() - start);
        loadTimes.push_back(Seconds(opened - start));
        dialogTimes.push_back(Seconds(split - opened));
        form.ReturnToIdle();
        return seconds;
    };
    const auto runTool = [&] {
        QuietHost host;
        SplitJob job;
        job.input = "D:\\IN.NC";
        job.targetFolder = "D:\\OUT";
        const auto start = Stopwatch::now();
        const ToolResult result = RunSplit(files, job, host);
        const double seconds = Seconds(Stopwatch::now() - start);
        if (result.status != ToolStatus::Done) {
            std::fprintf(stderr, "the split failed: %s\n", result.report.text.c_str());
            std::exit(1);
        }
        return seconds;
    };

    std::vector<double> windowTimes;
    std::vector<double> toolTimes;
    for (int round = 0; round <= rounds; ++round) {
        // Round 0 warms the caches and checks that the window wrote every file.
        for (int side = 0; side < 2; ++side) {
            EmptyFolder(data + "/OUT");
            ::sync();
            const bool windowFirst = round % 2 == 0;
            if ((side == 0) == windowFirst) {
                const double t = runWindow();
                if (CountFiles(data + "/OUT") != static_cast<std::size_t>(programs)) {
                    std::fprintf(stderr, "the window wrote %zu files, not %d\n",
                                 CountFiles(data + "/OUT"), programs);
                    return 1;
                }
                if (round > 0)
                    windowTimes.push_back(t);
            } else {
                const double t = runTool();
                if (round > 0)
                    toolTimes.push_back(t);
            }
        }
    }
    const double window = Median(windowTimes);
    const double tool = Median(toolTimes);
    std::printf(
        "split with B through the dialog: %.3f s (median of %d, file loaded into the view)\n",
        window, rounds);
    std::printf("  of which the file loaded into the view %.3f s, the split in the dialog %.3f s\n",
                Median(loadTimes), Median(dialogTimes));
    std::printf("RunSplit alone, streaming the file: %.3f s (median of %d)\n", tool, rounds);
    std::printf("ratio window / tool alone: %.2f (target <= 1.2)\n", window / tool);
    std::printf(
        "10 ms timer during the window's split: %zu ticks, late by 99th percentile %.1f ms "
        "(target <= 50), median %.1f ms, worst %.1f ms\n",
        lateness.size(), Percentile(lateness, 0.99), Percentile(lateness, 0.5), worstLate);
    return 0;
}

// The file list in the window: a folder of NC files (100,000 unless told otherwise) read by the
// window (the model's refresh, the list view and header updated, the first page painted), side by
// side with the model's RefreshFileList alone in the same run (target: at most 1.3 times), then
// Down and Page Down pressed on that list, each until its repaint is done (target: median at
// most 16 ms).
//
// Usage: ListWindowBench [file-count] [parent-folder]
#include <QKeyEvent>
#include <QLabel>
#include <filesystem>

#include "BenchFolders.h"
#include "WindowBench.h"
#include "files/FileListModel.h"
#include "ui/FileListView.h"
#include "ui/MainView.h"

namespace {

using namespace kelvantori;
using namespace kelvantori::bench;
using Stopwatch = std::chrono::steady_clock;
constexpr int kRounds = 7;

// A key pressed in the list and the repaint it causes, done before the time is taken.
double PressAndPaint(TForm1& form, int key) {
    FileListView* list = form.view().ListBox1;
    const auto start = Stopwatch::now();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(list, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(list, &release);
    list->viewport()->repaint();
    return Seconds(Stopwatch::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string parent = argc > 2 ? argv[2] : std::string();
    int qtArgc = 1;
    auto app = OffscreenApplication(qtArgc, argv);

    const BenchFolder scratch(parent);
    const std::string& folder = scratch.Path();
    std::printf("folder %s: %d files (%d NC)\n", folder.c_str(), count, count - count / 100);
    MakeNcFolder(folder, count);

    WindowBench bench(folder);
    TForm1& form = bench.Form();
    FileListView* list = form.view().ListBox1;

    std::vector<double> modelTimes;
    std::vector<double> windowTimes;
    for (int round = 0; round <= kRounds; ++round) {
        // The model alone, on its own settings record like the window's.
        Settings settings = form.settings();
        auto start = Stopwatch::now();
        {
            FileListModel model(bench.Host().Files(), settings);
            model.SetRowsPerColumn(list->RowsPerColumn());
            model.RefreshFileList(false, false, false);
            const double modelTime = Seconds(Stopwatch::now() - start);
            if (round > 0)
                modelTimes.push_back(modelTime);
        }
        // The window: the same refresh, shown and painted.
        start = Stopwatch::now();
        form.RefreshFileList(false, false, false);
        list->viewport()->repaint();
        form.view().Label7->repaint();
        const double windowTime = Seconds(Stopwatch::now() - start);
        if (round > 0)
            windowTimes.push_back(windowTime);
    }
    const double model = Median(modelTimes);
    const double window = Median(windowTimes);
    std::printf("lines: %d (%d rows a column, %d columns)\n", form.model().LineCount(),
                list->RowsPerColumn(), list->Columns());
    std::printf("model RefreshFileList alone: %.1f ms (median of %d)\n", model * 1000, kRounds);
    std::printf("window refresh + first paint: %.1f ms (median of %d)\n", window * 1000, kRounds);
    std::printf("ratio window / model: %.2f (target <= 1.3)\n", window / model);

    std::vector<double> downTimes;
    for (int i = 0; i < 400; ++i)
        downTimes.push_back(PressAndPaint(form, Qt::Key_Down));
    std::vector<double> pageTimes;
    for (int i = 0; i < 200; ++i)
        pageTimes.push_back(PressAndPaint(form, Qt::Key_PageDown));
    std::printf("Down + repaint: median %.3f ms, worst %.3f ms (target: median <= 16 ms)\n",
                Median(downTimes) * 1000,
                *std::max_element(downTimes.begin(), downTimes.end()) * 1000);
    std::printf("Page Down + repaint: median %.3f ms, worst %.3f ms (target: median <= 16 ms)\n",
                Median(pageTimes) * 1000,
                *std::max_element(pageTimes.begin(), pageTimes.end()) * 1000);
    std::printf("selected after the presses: line %d of %d\n", form.model().Selected(),
                form.model().LineCount());

    return 0;
}

// The multi-transfer queue's rows and its run.
#include "comm/TransferQueue.h"

#include "core/DrivePath.h"

namespace kelvantori {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kBeforeRow{1000};
constexpr milliseconds kAfterTransfer{5000};
constexpr milliseconds kResultsShown{10000};

// ".NC" of "*.NC": the mask without its first character.
std::string MaskExtension(const Settings& settings) {
    return settings.Mask.empty() ? std::string() : settings.Mask.substr(1);
}

}  // namespace

QueueFile ResolveQueueName(FileSystem& files, const Settings& settings, std::string_view name) {
    const std::string extension = MaskExtension(settings);
    const bool whole = settings.AllFiles == "Y" ||
                       AsciiUpper(name).find(AsciiUpper(extension)) != std::string::npos;
    QueueFile file;
    file.name = whole ? std::string(name) : std::string(name) + extension;
    file.path = JoinDrivePath(settings.DirPath, file.name);
    const auto stat = files.Stat(file.path);
    file.exists = stat && !stat->isDirectory;
    return file;
}

QueueFile QueueReceiveTarget(const Settings& settings, std::string_view name) {
    QueueFile file;
    file.name =
        settings.AllFiles == "Y" ? std::string(name) : std::string(name) + MaskExtension(settings);
    file.path = JoinDrivePath(settings.DirPath, file.name);
    return file;
}

std::string_view QueueForbiddenCharacters(const Settings& settings) {
    return settings.AllFiles == "Y" ? "/:,;*?<>|" : "/:,;*?<>|.";
}

std::string QueueForbiddenMessage(const Settings& settings) {
    return "この文字はファイル名に使えません。\n" + std::string(QueueForbiddenCharacters(settings));
}

std::string QueueMissingNameMessage(std::string_view name) {
    return "データ名 " + std::string(name) + "は有りません。\nもう一度入力してください";
}

std::string QueueProgressText(int row) {
    return "No" + std::to_string(row) + "  処理中です。";
}

void RunQueue(const QueueRows& rows, const Settings& settings, FileSystem& files,
              QueueSteps& steps) {
    for (int k = 1; k <= kQueueRows && !steps.Abandoned(); ++k) {
        const QueueRow& row = rows[static_cast<std::size_t>(k - 1)];
        steps.Processing(k);
        if (k != 1)
            steps.Wait(kBeforeRow);
        bool completed = false;
        if (!row.DataName.empty() && !steps.Abandoned()) {
            if (row.mode == RowMode::Send) {
                const QueueFile file = ResolveQueueName(files, settings, row.DataName);
                if (file.exists) {
                    completed = steps.Send(file);
                    steps.Wait(kAfterTransfer);
                }
            } else if (row.mode == RowMode::Receive) {
                completed = steps.Receive(QueueReceiveTarget(settings, row.DataName));
                steps.Wait(kAfterTransfer);
            }
        }
        if (row.mode != RowMode::Cancel)
            steps.Result(k, completed);
    }
    if (steps.Abandoned())
        return;
    steps.ShowingResults();
    steps.Wait(kResultsShown);
}

}  // namespace kelvantori

// The command line's order of transfers, from the items to the engines.
#include "comm/TransferOrder.h"

#include "core/DrivePath.h"

namespace kelvantori {

TransferOrder MakeTransferOrder(const CommandLineState& state, bool receivePrograms) {
    TransferOrder order;
    order.send = state.AutoSendPending == "Y";
    order.sendRefused = !state.SendPath.empty() && !order.send;
    order.SendPath = state.SendPath;
    const bool namedReceive = !state.ReceivePath.empty();
    order.receive = namedReceive ? state.AutoReceivePending == "Y" : receivePrograms;
    order.receiveRefused = namedReceive && !order.receive;
    order.CloseAfterTransfer = state.CloseAfterTransfer;

    ReceiveJob& job = order.receiveJob;
    job.mode = namedReceive ? ReceiveMode::Named : ReceiveMode::PerProgram;
    job.TransferPath = state.ReceivePath;
    job.TransferName = namedReceive ? DriveFileNameOf(state.ReceivePath) : std::string();
    job.CloseAfterTransfer = state.CloseAfterTransfer;
    return order;
}

TransferOrderResult RunTransferOrder(const TransferOrder& order, const Settings& settings,
                                     SerialPort& port, TransferHost& host, TransferLog& log,
                                     FileSystem& files, const ProgramLoad& load,
                                     TransferOrderSteps* steps) {
    TransferOrderSteps none;
    TransferOrderSteps& step = steps != nullptr ? *steps : none;
    TransferOrderResult result;
    if (order.send && step.Proceed(TransferKind::Send)) {
        SendJob job;
        job.DirPath = DriveFolderOf(order.SendPath);
        job.TransferName = DriveFileNameOf(order.SendPath);
        job.program = load(order.SendPath);
        step.ProgramLoaded(job.program);
        job.CloseAfterTransfer = order.CloseAfterTransfer && !order.receive;
        step.Starting(TransferKind::Send);
        SendEngine engine(port, host, log);
        result.send = engine.SendFile(settings, job);
        step.Finished(TransferKind::Send, *result.send);
    }
    if (order.receive && step.Proceed(TransferKind::Receive)) {
        step.Starting(TransferKind::Receive);
        ReceiveEngine engine(port, host, log, files);
        result.receive = engine.ReceiveFile(settings, order.receiveJob);
        result.savedFiles = engine.SavedFiles();
        step.Finished(TransferKind::Receive, *result.receive);
    }
    return result;
}

}  // namespace kelvantori

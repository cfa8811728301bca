// The single-instance rule over a local socket and a lock file in the user's runtime folder.
#include "ui/SingleInstance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace kelvantori {

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr const char* kActivateRequest = "activate\n";

}  // namespace

QString SingleInstance::SocketName(const QString& key) {
    return key + "-" + QString::number(getuid());
}

SingleInstance::SingleInstance(const QString& key) : name_(SocketName(key)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::AskRunningCopy() {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kActivateRequest);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Acquire() {
    // The lock decides between two copies started at the same moment; the socket lets the later
    // one reach the first.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    lock_ = std::make_unique<QLockFile>(folder + "/" + name_ + ".lock");
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(kConnectTimeoutMs)) {
        AskRunningCopy();
        return false;
    }
    // The lock is ours: a socket left by a copy that crashed is stale.
    QLocalServer::removeServer(name_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_))
        return true;  // still the only copy; a later start simply finds the lock
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (onActivate_)
                onActivate_();
        }
    });
    return true;
}

}  // namespace kelvantori

// One running copy per executable name and user. The first start listens on a local socket named
// after both; a second start finds it, asks it to bring its window to the front, and ends with
// status 0, so a user who starts the program twice sees the window they already have.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

namespace kelvantori {

class SingleInstance : public QObject {
    Q_OBJECT

  public:
    // key: the executable's file name without its folder.
    explicit SingleInstance(const QString& key);
    ~SingleInstance() override;

    // True when this is the only copy (it then listens); false when another copy runs and was
    // asked to come to the front.
    bool Acquire();

    // Called in the first copy each time a later start asks for the front.
    void SetActivateHandler(std::function<void()> handler) { onActivate_ = std::move(handler); }

    // The socket name for a key: key + "-" + the user id, so users do not exclude each other.
    static QString SocketName(const QString& key);

  private:
    bool AskRunningCopy();

    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    std::function<void()> onActivate_;
};

}  // namespace kelvantori

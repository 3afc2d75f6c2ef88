#pragma once
// The capture link over one Unix-domain socket: requests are answered in order on it, and the server's
// notifications arrive on it between them. Notifications are read by a socket notifier on the thread that
// made the client and posted to the subscribed windows; a frame notification is posted only when the
// window has taken the previous one of that device, so a busy window never builds a queue of them.
#include "platform/ipc/ClientIPC.h"

#include <QPointer>

#include <map>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace ipc {

struct Header;

class TUnixClientIPC : public TClientIPC {
public:
    explicit TUnixClientIPC(std::string socketPath);
    ~TUnixClientIPC() override;

    bool Connect(int clientId, const char* serverPath) override;
    bool Read(void* buffer, uint32_t* count, uint16_t code) override;
    bool Subscribe(QObject* window, int event) override;
    bool Unsubscribe(QObject* window, int event) override;
    bool Ping() override;
    bool SendCommand(int command, int argument) override;
    bool Disconnect() override;
    Refusal Refused() const override { return refusal_; }

    // How long a request waits for its answer before the link is taken for dead.
    void SetTimeout(int ms) { timeoutMs_ = ms; }
    bool Linked() const { return fd_ >= 0; }

private:
    struct Subscription {
        QPointer<QObject> window;
        uint32_t eventClass;
    };

    bool ensureLinked();
    bool link();
    void unlink();
    bool send(uint16_t op, uint16_t code, uint32_t a, uint32_t b);
    // The reply to the request just sent; notifications met on the way are delivered.
    bool awaitReply(Header& reply);
    bool drain(uint32_t n);
    void onReadable();
    void deliver(uint16_t event);
    void sendSubscriptions();

    std::string socketPath_;
    std::string serverPath_;
    bool connected_ = false;
    Refusal refusal_;
    int clientId_ = 0;
    int fd_ = -1;
    int timeoutMs_ = 500;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<Subscription> subs_;
    std::map<std::pair<const QObject*, uint16_t>, std::shared_ptr<bool>> outstanding_;
};

} // namespace ipc

#pragma once
// The inter-process link to the capture server: the abstract client the video capture client talks to,
// and the notification a subscribed window receives. The program gets its client from CreateClientIPC.
#include <QEvent>

#include <cstdint>
#include <memory>
#include <string>

class QObject;

namespace ipc {

// The event type of a server notification (the platform's window message WM_APP + 100).
constexpr QEvent::Type kServerMessage = QEvent::Type(QEvent::User + 100);

// A server notification as the subscribed window receives it: the client identifier in the high word of
// WParam, the event code in the low word (1 status changed, 100 + n new frame of device n, 200 + n format
// of device n changed).
class TServerMessage : public QEvent {
public:
    // outstanding, when given, is cleared once the event is delivered or dropped.
    explicit TServerMessage(uint32_t wParam, std::shared_ptr<bool> outstanding = nullptr);
    ~TServerMessage() override;
    uint32_t WParam;
    uint32_t LParam = 0;

private:
    std::shared_ptr<bool> outstanding_;
};

class TClientIPC {
public:
    // Reaches the server that serverPath names, starting it when nothing answers yet; false when there is
    // neither a server nor a program to start.
    virtual bool Connect(int clientId, const char* serverPath) = 0;
    // Asks for the data of a request code; *count holds the buffer's size and gets the bytes delivered.
    // False, with the buffer untouched, when nothing was delivered or the data would not fit.
    virtual bool Read(void* buffer, uint32_t* count, uint16_t code) = 0;
    // Notifications of an event class (1: status and formats, 100: frames) go to the window as
    // TServerMessage events, on the thread the window lives in; 0 unsubscribes every class.
    virtual bool Subscribe(QObject* window, int event) = 0;
    virtual bool Unsubscribe(QObject* window, int event) = 0;
    // The server answers.
    virtual bool Ping() = 0;
    virtual bool SendCommand(int command, int argument) = 0;
    virtual bool Disconnect() = 0;
    // Connect reaches for no server where another user could answer in its place (the socket's folder is
    // not the user's own); then this names the folder and the reason, else both are empty.
    struct Refusal {
        std::string folder, reason;
    };
    virtual Refusal Refused() const { return {}; }
    virtual ~TClientIPC() = default;
};

// A new client over the server's Unix-domain socket (DefaultSocketPath).
std::unique_ptr<TClientIPC> CreateClientIPC();

} // namespace ipc

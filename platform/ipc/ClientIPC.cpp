#include "platform/ipc/ClientIPC.h"

#include "platform/ipc/UnixClientIPC.h"
#include "platform/ipc/UnixSocket.h"

namespace ipc {

TServerMessage::TServerMessage(uint32_t wParam, std::shared_ptr<bool> outstanding)
    : QEvent(kServerMessage), WParam(wParam), outstanding_(std::move(outstanding))
{
}

TServerMessage::~TServerMessage()
{
    if (outstanding_)
        *outstanding_ = false;
}

std::unique_ptr<TClientIPC> CreateClientIPC()
{
    return std::make_unique<TUnixClientIPC>(DefaultSocketPath());
}

} // namespace ipc

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

TClientIPC* CreateClientIPC()
{
    return new TUnixClientIPC(DefaultSocketPath());
}

} // namespace ipc

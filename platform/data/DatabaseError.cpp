#include "platform/data/DatabaseError.h"

#include <mutex>

EDatabaseError::EDatabaseError(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message)
{
}

namespace dbf {
namespace {
std::mutex warningMutex;
WarningHandler& handler()
{
    static WarningHandler h;
    return h;
}
} // namespace

WarningHandler SetWarningHandler(WarningHandler h)
{
    std::lock_guard<std::mutex> guard(warningMutex);
    std::swap(handler(), h);
    return h;
}

void Warn(const QString& text)
{
    std::lock_guard<std::mutex> guard(warningMutex);
    if (handler())
        handler()(text);
}

} // namespace dbf

#include "platform/data/DatabaseError.h"

EDatabaseError::EDatabaseError(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message)
{
}

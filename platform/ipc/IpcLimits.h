#pragma once
// The limits of the link to the capture server, named once.
#include <cstdint>

namespace ipc {

// The longest payload a message may carry: more than any frame the format can describe (65535 x 65535 x 4
// would not do either) means the stream is not ours, and the link is dropped rather than read on.
constexpr uint32_t kMaxPayload = 64u << 20;

} // namespace ipc

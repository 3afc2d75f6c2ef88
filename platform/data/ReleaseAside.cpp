#include "platform/data/ReleaseAside.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace dbf {
namespace {

struct Freeing {
    std::mutex lock;
    std::condition_variable more;
    std::vector<std::shared_ptr<void>> queue;
};

// Never destroyed: the thread may run while the statics go at the program's end.
Freeing* freeing()
{
    static Freeing* const f = [] {
        auto* made = new Freeing;
        try {
            std::thread([made] {
                for (;;) {
                    std::vector<std::shared_ptr<void>> batch;
                    {
                        std::unique_lock<std::mutex> held(made->lock);
                        made->more.wait(held, [made] { return !made->queue.empty(); });
                        batch.swap(made->queue);
                    }
                }
            }).detach();
        } catch (const std::system_error&) {
            delete made;
            return static_cast<Freeing*>(nullptr);
        }
        return made;
    }();
    return f;
}

} // namespace

void releaseAside(std::shared_ptr<void> holder)
{
    Freeing* f = freeing();
    if (!f)
        return;  // the holder goes here
    {
        std::lock_guard<std::mutex> held(f->lock);
        f->queue.push_back(std::move(holder));
    }
    f->more.notify_one();
}

} // namespace dbf

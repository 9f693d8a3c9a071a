// The link between probe workers and the window's thread: one blocking call onto that thread per
// look-up-and-change, released when the program quits.
#include "probe/WorkerLink.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/PostedCall.h"

namespace hublane::probe {
namespace {

// One queued call. A call that the worker gave up on is never run: the window's thread checks
// the state before it starts, and the worker never gives up once the call is running.
struct Call {
    enum class State { Pending, Running, Done, Abandoned };
    std::mutex mutex;
    std::condition_variable done;
    State state = State::Pending;
};

}  // namespace

bool WorkerLink::Synchronize(const std::function<void()>& fn, const std::function<bool()>& stop) {
    if (m_closed.load()) {
        return false;
    }
    QObject* context = m_context.data();
    if (!context) {
        return false;
    }
    auto call = std::make_shared<Call>();
    const bool queued = platform::PostCall(
        context,
        [call, fn] {
            {
                std::lock_guard lock(call->mutex);
                if (call->state != Call::State::Pending) {
                    return;
                }
                call->state = Call::State::Running;
            }
            // The worker is released even when fn throws.
            struct Release {
                Call& c;
                ~Release() {
                    {
                        std::lock_guard lock(c.mutex);
                        c.state = Call::State::Done;
                    }
                    c.done.notify_all();
                }
            } release{*call};
            fn();
        },
        Qt::QueuedConnection);
    if (!queued) {
        return false;
    }
    std::unique_lock lock(call->mutex);
    while (call->state != Call::State::Done) {
        if (call->state == Call::State::Pending && (m_closed.load() || (stop && stop()))) {
            call->state = Call::State::Abandoned;
            return false;
        }
        call->done.wait_for(lock, std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace hublane::probe

// Calls posted to another thread's event loop, and what ThreadSanitizer must be told of them:
// Qt, not built with the sanitizer, hands a posted call over through locks it cannot see.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#define HUBLANE_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define HUBLANE_THREAD_SANITIZER 1
#endif
#endif
#ifdef HUBLANE_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#endif

namespace hublane::platform {

/// In a ThreadSanitizer build: what this thread wrote before HandOver(thread) is seen by that
/// thread after its next Receipt(). Elsewhere nothing. The token is the receiving thread, as in
/// Qt itself, where every call posted to a thread goes through that thread's one event queue.
inline void HandOver([[maybe_unused]] const QThread* receiver) {
#ifdef HUBLANE_THREAD_SANITIZER
    __tsan_release(const_cast<QThread*>(receiver));
#endif
}
inline void Receipt([[maybe_unused]] const QThread* receiver) {
#ifdef HUBLANE_THREAD_SANITIZER
    __tsan_acquire(const_cast<QThread*>(receiver));
#endif
}

/// QMetaObject::invokeMethod(context, fn, type) for a call onto context's thread (queued, or
/// blocking queued from another thread): fn sees what the caller wrote before, and after a
/// blocking call the caller sees what fn wrote, in a ThreadSanitizer build too.
template <typename Fn>
bool PostCall(QObject* context, Fn fn, Qt::ConnectionType type) {
    const QThread* receiver = context->thread();
    HandOver(receiver);
#ifdef HUBLANE_THREAD_SANITIZER
    // The call object Qt builds here (fn's copy inside it) is written after the hand-over and
    // before Qt's own, which the sanitizer cannot see: it is told to leave these writes out, and
    // only these. Everything fn reaches through pointers and references was written before.
    __tsan_ignore_thread_begin();
#endif
    const bool posted = QMetaObject::invokeMethod(
        context,
        [fn = std::move(fn)]() mutable {
            // The first thing the call does: nothing of it is read before the receipt.
            Receipt(QThread::currentThread());
            fn();
            HandOver(QThread::currentThread());
        },
        type);
#ifdef HUBLANE_THREAD_SANITIZER
    __tsan_ignore_thread_end();
#endif
    if (posted && type == Qt::BlockingQueuedConnection) {
        Receipt(receiver);
    }
    return posted;
}

}  // namespace hublane::platform

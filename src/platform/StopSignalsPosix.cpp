// Stop signals on POSIX: the handler writes the signal's number to a pipe that a socket
// notifier reads on the event loop's thread.
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <csignal>

#include "platform/StopSignals.h"

namespace hublane::platform {
namespace {

// The write end of the live instance's pipe, for the handler: a handler may do little else.
std::atomic<int> g_writeEnd{-1};

void OnSignal(int signalNumber) {
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd.load(), &byte, 1);
}

}  // namespace

struct StopSignals::Impl {
    int pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    struct sigaction oldInt {};
    struct sigaction oldTerm {};

    ~Impl() {
        if (notifier) {
            ::sigaction(SIGINT, &oldInt, nullptr);
            ::sigaction(SIGTERM, &oldTerm, nullptr);
            g_writeEnd = -1;
        }
        notifier.reset();
        for (const int fd : pipe) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
};

StopSignals::StopSignals(std::function<void(int)> onStop, QObject* parent)
    : QObject(parent), m_onStop(std::move(onStop)), m_impl(std::make_unique<Impl>()) {
    if (::pipe2(m_impl->pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_impl->pipe[0] = m_impl->pipe[1] = -1;
        return;
    }
    g_writeEnd = m_impl->pipe[1];
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGINT, &action, &m_impl->oldInt) != 0 ||
        ::sigaction(SIGTERM, &action, &m_impl->oldTerm) != 0) {
        ::sigaction(SIGINT, &m_impl->oldInt, nullptr);
        g_writeEnd = -1;
        return;
    }
    m_impl->notifier = std::make_unique<QSocketNotifier>(m_impl->pipe[0], QSocketNotifier::Read);
    connect(m_impl->notifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(m_impl->pipe[0], &byte, 1) == 1) {
            if (m_onStop) {
                m_onStop(byte);
            }
        }
    });
}

StopSignals::~StopSignals() = default;

bool StopSignals::Installed() const {
    return m_impl->notifier != nullptr;
}

}  // namespace hublane::platform

// Stop signals on POSIX: the handler writes one byte to a pipe that a socket
// notifier reads on the event loop's thread.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>

#include "platform/StopSignals.h"

namespace hublane::platform {
namespace {

int g_pipe[2] = {-1, -1};

void OnSignal(int /*signal*/) {
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_pipe[1], &byte, 1);
}

}  // namespace

struct StopSignals::Impl {
    QSocketNotifier* notifier = nullptr;
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
};

StopSignals::StopSignals(std::function<void()> onStop, QObject* parent)
    : QObject(parent), m_onStop(std::move(onStop)), m_impl(new Impl) {
    if (g_pipe[0] < 0 && ::pipe(g_pipe) == 0) {
        for (const int fd : g_pipe) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    if (g_pipe[0] < 0) {
        return;
    }
    m_impl->notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_impl->notifier, &QSocketNotifier::activated, this, [this] {
        std::array<char, 16> drain{};
        while (::read(g_pipe[0], drain.data(), drain.size()) > 0) {
        }
        if (m_onStop) {
            m_onStop();
        }
    });
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &m_impl->oldInt);
    sigaction(SIGTERM, &action, &m_impl->oldTerm);
}

StopSignals::~StopSignals() {
    sigaction(SIGINT, &m_impl->oldInt, nullptr);
    sigaction(SIGTERM, &m_impl->oldTerm, nullptr);
    delete m_impl;
}

}  // namespace hublane::platform

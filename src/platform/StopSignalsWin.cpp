// Stop signals on Windows: a console control handler queues the stop onto the event
// loop of the thread that asked for it, as SIGINT (Ctrl+C, Ctrl+Break) or SIGTERM (the
// console closed, the user logged off, the system shutting down).
#include <windows.h>

#include <QMetaObject>
#include <QPointer>
#include <csignal>

#include "platform/StopSignals.h"

namespace hublane::platform {
namespace {

// The live instance and its function, for the handler, which runs on a thread of its own.
QPointer<QObject> g_target;
std::function<void(int)>* g_onStop = nullptr;

BOOL WINAPI OnControl(DWORD event) {
    if (!g_target || !g_onStop) {
        return FALSE;
    }
    const int signalNumber = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
    QMetaObject::invokeMethod(
        g_target.data(), [signalNumber] { (*g_onStop)(signalNumber); }, Qt::QueuedConnection);
    return TRUE;
}

}  // namespace

struct StopSignals::Impl {
    bool installed = false;
};

StopSignals::StopSignals(std::function<void(int)> onStop, QObject* parent)
    : QObject(parent), m_onStop(std::move(onStop)), m_impl(std::make_unique<Impl>()) {
    g_target = this;
    g_onStop = &m_onStop;
    m_impl->installed = SetConsoleCtrlHandler(&OnControl, TRUE) != 0;
}

StopSignals::~StopSignals() {
    SetConsoleCtrlHandler(&OnControl, FALSE);
    g_target = nullptr;
    g_onStop = nullptr;
}

bool StopSignals::Installed() const {
    return m_impl->installed;
}

}  // namespace hublane::platform

// Stop signals on Windows: a console control handler queues the stop onto the event
// loop of the thread that asked for it.
#include <windows.h>

#include <QMetaObject>
#include <QPointer>

#include "platform/StopSignals.h"

namespace hublane::platform {
namespace {

QPointer<QObject> g_target;
std::function<void()>* g_onStop = nullptr;

BOOL WINAPI OnControl(DWORD /*event*/) {
    if (g_target && g_onStop) {
        QMetaObject::invokeMethod(
            g_target.data(), [] { (*g_onStop)(); }, Qt::QueuedConnection);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

struct StopSignals::Impl {};

StopSignals::StopSignals(std::function<void()> onStop, QObject* parent)
    : QObject(parent), m_onStop(std::move(onStop)), m_impl(new Impl) {
    g_target = this;
    g_onStop = &m_onStop;
    SetConsoleCtrlHandler(&OnControl, TRUE);
}

StopSignals::~StopSignals() {
    SetConsoleCtrlHandler(&OnControl, FALSE);
    g_target = nullptr;
    g_onStop = nullptr;
    delete m_impl;
}

}  // namespace hublane::platform

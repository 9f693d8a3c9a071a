// The waits of the GUI thread.
#include "serverlist/UiWaits.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "platform/Clock.h"

namespace hublane::serverlist {
namespace {

// Exit codes of the local event loop of a wait; any other code means the application quits.
constexpr int kWaitTimedOut = 1001;
constexpr int kWaitWoken = 1002;

}  // namespace

UiWaits::UiWaits(const platform::Clock& clock, QObject* parent) : QObject(parent), m_clock(clock) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &UiWaits::SetTerminating);
    }
}

void UiWaits::SetTerminating() {
    if (m_terminating) {
        return;
    }
    m_terminating = true;
    emit Terminated();
    emit StateChanged();
}

void UiWaits::UiWait(int ms, const std::function<bool()>& until) {
    ++m_waitCounter;
    if (m_terminating) {
        return;
    }
    if (until && until()) {
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(kWaitTimedOut); });
    const QMetaObject::Connection wake = connect(this, &UiWaits::StateChanged, &loop, [this, &loop, &until] {
        if (m_terminating || (until && until())) {
            loop.exit(kWaitWoken);
        }
    });
    timer.start(m_clock.RealMs(ms));
    const int code = loop.exec();
    disconnect(wake);
    if (code != kWaitTimedOut && code != kWaitWoken) {
        // The application's exit ends every local loop; the wait then ends at once.
        SetTerminating();
    }
}

}  // namespace hublane::serverlist

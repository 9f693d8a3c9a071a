// The hand-off of the server list to a running eMule.
#include "clients/EmuleHandOff.h"

#include <string>

#include "clients/EmuleLinks.h"

namespace hublane::clients {
namespace {

using clients::HandOffResult;
using platform::SendStatus;
using platform::WindowHandle;
using Outcome = HandOffResult::Outcome;

}  // namespace

EmuleHandOff::EmuleHandOff(platform::WindowSystem& windows, serverlist::WorkGauge& gauge,
                           int messageTimeoutMs)
    : m_windows(windows), m_gauge(gauge), m_timeoutMs(messageTimeoutMs > 0 ? messageTimeoutMs : 1) {}

platform::WindowHandle EmuleHandOff::FindEmule(HandOffResult& result) {
    const std::uint32_t message = m_windows.RegisterMessage(std::string(kEmuleWindowMessage));
    if (message == 0) {
        result.outcome = Outcome::HelperFailed;
        result.detail = "RegisterWindowMessage";
        return 0;
    }

    WindowHandle emule = 0;
    int silent = 0;
    m_windows.VisitTopLevelWindows([&](WindowHandle window) {
        std::uintptr_t answer = 0;
        const SendStatus status = m_windows.SendRegistered(window, message, answer, m_timeoutMs);
        if (status == SendStatus::Done && answer == message) {
            emule = window;
            return false;
        }
        silent += status == SendStatus::TimedOut ? 1 : 0;
        return true;
    });
    if (emule == 0) {
        result.outcome = Outcome::NoClient;
        if (silent > 0) {
            result.detail = std::to_string(silent) + (silent > 1 ? " fenêtres n'ont" : " fenêtre n'a") +
                            " pas répondu à temps";
        }
        return 0;
    }
    result.clients = 1;
    return emule;
}

HandOffResult EmuleHandOff::Find() {
    HandOffResult result;
    if (FindEmule(result) != 0) {
        result.outcome = Outcome::Delivered;
    }
    return result;
}

HandOffResult EmuleHandOff::Send(const std::vector<clients::HandOffAddress>& rows) {
    HandOffResult result;
    const EmuleLinkPlan plan = PlanEmuleLinks(rows);
    if (plan.links.empty()) {
        result.outcome = Outcome::EmptyTable;
        return result;
    }
    const WindowHandle emule = FindEmule(result);
    if (emule == 0) {
        return result;
    }

    m_gauge.SetMax(static_cast<int>(plan.links.size()));
    m_gauge.SetPosition(0);
    for (const std::string& link : plan.links) {
        const SendStatus status = m_windows.SendCopyData(emule, kEd2kLinkTag, LinkBytes(link), m_timeoutMs);
        if (status != SendStatus::Done) {
            // A program that did not take one link in time would not take the next either.
            result.outcome = status == SendStatus::TimedOut ? Outcome::NotAnswering : Outcome::WindowGone;
            return result;
        }
        ++result.consoles;
        m_gauge.Step();
    }
    result.outcome = Outcome::Delivered;
    return result;
}

}  // namespace hublane::clients

// A window system of fake windows for the hand-off tests: a tree of windows with titles and
// classes, registered messages some windows answer, and one event log of every message sent and
// every gauge move (no Qt).
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/WindowSystem.h"
#include "serverlist/WorkGauge.h"
#include "text/Utf16.h"

namespace hublane::test {

class FakeWindowSystem final : public platform::WindowSystem {
  public:
    using Handle = platform::WindowHandle;

    struct Window {
        std::string title;
        std::string className;
        Handle parent = 0;
        std::vector<Handle> children;
        // Which enumerations meet the window (top-level windows only).
        bool inDesktopChildren = true;
        bool inTopLevel = true;
        bool inDesktop = true;
        // A registered message of this name is answered with its own number, any other with
        // otherAnswer; askStatus is how the window takes a registered message.
        std::string answers;
        std::uintptr_t otherAnswer = 0;
        platform::SendStatus askStatus = platform::SendStatus::Done;
    };

    /// A top-level window; the handle is its number, from 1.
    Handle AddWindow(std::string title, std::string className = "Frame") {
        Window window;
        window.title = std::move(title);
        window.className = std::move(className);
        m_windows.push_back(std::move(window));
        return m_windows.size();
    }
    /// A child of parent.
    Handle AddChild(Handle parent, std::string className, std::string title = {}) {
        Window window;
        window.title = std::move(title);
        window.className = std::move(className);
        window.parent = parent;
        m_windows.push_back(std::move(window));
        const Handle child = m_windows.size();
        At(parent).children.push_back(child);
        return child;
    }
    Window& At(Handle window) { return m_windows.at(window - 1); }

    void VisitDesktopChildren(const WindowVisitor& visit) override {
        events.push_back("enumerate desktop-children");
        for (Handle w : TopLevel(&Window::inDesktopChildren)) {
            if (!visit(w) || !VisitTree(w, visit)) {
                return;
            }
        }
    }
    void VisitTopLevelWindows(const WindowVisitor& visit) override {
        events.push_back("enumerate top-level");
        VisitList(TopLevel(&Window::inTopLevel), visit);
    }
    void VisitDesktopWindows(const WindowVisitor& visit) override {
        events.push_back("enumerate desktop");
        VisitList(TopLevel(&Window::inDesktop), visit);
    }
    void VisitDescendants(Handle window, const WindowVisitor& visit) override { VisitTree(window, visit); }

    int ReadTitle(Handle window, char* buffer, int size) override {
        titleBufferSizes.push_back(size);
        return Copy(At(window).title, buffer, size);
    }
    int ReadClassName(Handle window, char* buffer, int size) override {
        classBufferSizes.push_back(size);
        return Copy(At(window).className, buffer, size);
    }

    platform::SendStatus SendText(Handle window, const std::string& text, int timeoutMs) override {
        return Message("settext " + std::to_string(window) + " " + text, timeoutMs);
    }
    platform::SendStatus SendKeyDown(Handle window, std::uintptr_t wParam, std::intptr_t lParam,
                                     int timeoutMs) override {
        return Message(
            "keydown " + std::to_string(window) + " " + std::to_string(wParam) + " " + std::to_string(lParam),
            timeoutMs);
    }

    std::uint32_t RegisterMessage(const std::string& name) override {
        events.push_back("register " + name);
        if (registerFails) {
            return 0;
        }
        const auto found = std::find(registered.begin(), registered.end(), name);
        if (found == registered.end()) {
            registered.push_back(name);
            return kFirstRegistered + static_cast<std::uint32_t>(registered.size() - 1);
        }
        return kFirstRegistered + static_cast<std::uint32_t>(found - registered.begin());
    }
    platform::SendStatus SendRegistered(Handle window, std::uint32_t message, std::uintptr_t& answer,
                                        int timeoutMs) override {
        answer = 0;
        const Window& w = At(window);
        const std::string event = "ask " + std::to_string(window) + " " + std::to_string(message);
        if (w.askStatus != platform::SendStatus::Done) {
            ++messages;
            timeouts.push_back(timeoutMs);
            events.push_back("failed " + event);
            return w.askStatus;
        }
        const platform::SendStatus status = Message(event, timeoutMs);
        if (status == platform::SendStatus::Done) {
            const bool named = message >= kFirstRegistered &&
                               message - kFirstRegistered < registered.size() &&
                               registered[message - kFirstRegistered] == w.answers;
            answer = named ? message : w.otherAnswer;
        }
        return status;
    }
    /// Logs "copydata WINDOW TAG TEXT" when bytes are UTF-16 ending in one zero unit, else
    /// "copydata WINDOW TAG malformed N"; the bytes themselves are kept in copies.
    platform::SendStatus SendCopyData(Handle window, std::uintptr_t tag,
                                      const std::vector<std::uint8_t>& bytes, int timeoutMs) override {
        copies.push_back(bytes);
        std::u16string units;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
        }
        const bool wellFormed = bytes.size() % 2 == 0 && !units.empty() && units.back() == u'\0' &&
                                units.find(u'\0') == units.size() - 1;
        std::string text = "malformed " + std::to_string(bytes.size());
        if (wellFormed) {
            units.pop_back();
            text = text::Utf16ToUtf8(units);
        }
        return Message("copydata " + std::to_string(window) + " " + std::to_string(tag) + " " + text,
                       timeoutMs);
    }

    /// Registered messages get numbers from here on, as on Windows.
    static constexpr std::uint32_t kFirstRegistered = 0xC000;
    std::vector<std::string> registered;
    bool registerFails = false;
    std::vector<std::vector<std::uint8_t>> copies;

    /// Every enumeration started, message sent and gauge move, in order.
    std::vector<std::string> events;
    int messages = 0;
    std::vector<int> timeouts;
    std::vector<int> titleBufferSizes;
    std::vector<int> classBufferSizes;
    /// The message with this number (from 1) is answered with failWith, and so is every later one.
    int failAt = 0;
    platform::SendStatus failWith = platform::SendStatus::TimedOut;

  private:
    std::vector<Handle> TopLevel(bool Window::*member) const {
        std::vector<Handle> list;
        for (std::size_t i = 0; i < m_windows.size(); ++i) {
            if (m_windows[i].parent == 0 && m_windows[i].*member) {
                list.push_back(i + 1);
            }
        }
        return list;
    }
    static void VisitList(const std::vector<Handle>& list, const WindowVisitor& visit) {
        for (Handle w : list) {
            if (!visit(w)) {
                return;
            }
        }
    }
    // Each child, then its own descendants, as EnumChildWindows goes.
    bool VisitTree(Handle window, const WindowVisitor& visit) {
        const std::vector<Handle> children = At(window).children;
        for (Handle child : children) {
            if (!visit(child) || !VisitTree(child, visit)) {
                return false;
            }
        }
        return true;
    }
    static int Copy(const std::string& text, char* buffer, int size) {
        if (size <= 0) {
            return 0;
        }
        const int n = std::min(static_cast<int>(text.size()), size - 1);
        std::memcpy(buffer, text.data(), static_cast<std::size_t>(n));
        buffer[n] = '\0';
        return n;
    }
    platform::SendStatus Message(std::string event, int timeoutMs) {
        ++messages;
        timeouts.push_back(timeoutMs);
        if (failAt > 0 && messages >= failAt) {
            events.push_back("failed " + event);
            return failWith;
        }
        events.push_back(std::move(event));
        return platform::SendStatus::Done;
    }

    std::vector<Window> m_windows;
};

/// A gauge that writes its moves into an event log ("gauge max N", "gauge position N").
class EventGauge final : public serverlist::WorkGauge {
  public:
    explicit EventGauge(std::vector<std::string>& events) : m_events(events) {}
    void SetMax(int max) override {
        m_max = max;
        m_events.push_back("gauge max " + std::to_string(max));
    }
    void SetPosition(int position) override {
        m_position = std::min(position, m_max);
        m_events.push_back("gauge position " + std::to_string(m_position));
    }
    int Max() const override { return m_max; }
    int Position() const override { return m_position; }

  private:
    std::vector<std::string>& m_events;
    int m_max = 100;
    int m_position = 0;
};

}  // namespace hublane::test

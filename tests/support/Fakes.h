// The tests' shared stand-ins for the platform: prompts that record and answer from a script, a
// busy owner, class registrations, and the gauge and caption of a window that is not there.
#pragma once

#include <gtest/gtest.h>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "platform/ClassRegistration.h"
#include "platform/UserPrompts.h"
#include "serverlist/StatusCaption.h"

namespace hublane::test {

/// Records every box and dialog and answers the dialogs from scripts. A kind of prompt listed in
/// `unexpected` fails the test when it is shown.
class FakePrompts : public platform::UserPrompts {
  public:
    enum class Kind { Error, OpenFile, Folder, Escaped };
    struct Message {
        QString text;
        QString caption;
        bool ownedByMainWindow = false;
    };
    struct FolderCall {
        QString title;
        QString startFolder;
    };

    void ShowError(const QString& text, const QString& caption, bool ownedByMainWindow) override {
        Check(Kind::Error);
        messages.push_back({text, caption, ownedByMainWindow});
    }
    /// The next scripted answer; none left is a cancel, and a test failure when
    /// failWhenOpenUnanswered is set.
    std::optional<QString> ChooseOpenFile(const QString& filter) override {
        Check(Kind::OpenFile);
        openFilters << filter;
        if (openAnswers.empty()) {
            if (failWhenOpenUnanswered) {
                ADD_FAILURE() << "unexpected open dialog";
            }
            return std::nullopt;
        }
        const std::optional<QString> answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    /// The next scripted answer, else folderAnswer.
    std::optional<QString> ChooseFolder(const QString& title, const QString& startFolder) override {
        Check(Kind::Folder);
        folderCalls.push_back({title, startFolder});
        if (onChooseFolder) {
            onChooseFolder();
        }
        if (folderAnswers.empty()) {
            return folderAnswer;
        }
        const std::optional<QString> answer = folderAnswers.front();
        folderAnswers.pop_front();
        return answer;
    }
    void ShowEscapedError(const QString& message) override {
        Check(Kind::Escaped);
        escaped << message;
    }

    QStringList MessageTexts() const {
        QStringList texts;
        for (const Message& m : messages) {
            texts << m.text;
        }
        return texts;
    }

    std::set<Kind> unexpected;
    std::vector<Message> messages;
    QStringList openFilters;
    std::deque<std::optional<QString>> openAnswers;
    bool failWhenOpenUnanswered = false;
    std::vector<FolderCall> folderCalls;
    std::deque<std::optional<QString>> folderAnswers;
    std::optional<QString> folderAnswer;
    std::function<void()> onChooseFolder;
    QStringList escaped;

  private:
    void Check(Kind kind) const {
        if (unexpected.count(kind) > 0) {
            ADD_FAILURE() << "unexpected prompt of kind " << static_cast<int>(kind);
        }
    }
};

class FakeBusyOwner : public platform::BusyOwner {
  public:
    void SetBusyCursor(bool busy) override { calls.push_back(busy); }
    std::vector<bool> calls;
};

class FakeClassRegistration : public platform::ClassRegistration {
  public:
    std::optional<QString> ReadDefaultIcon(const QString& className) override {
        askedFor = className;
        return defaultIcon;
    }
    std::optional<QString> defaultIcon;
    QString askedFor;
};

/// Keeps every caption the cycle shows.
class RecordingStatus : public serverlist::StatusCaption {
  public:
    void SetCaption(const QString& text) override { captions << text; }
    QStringList captions;
};

}  // namespace hublane::test

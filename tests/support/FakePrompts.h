// A UserPrompts that records what would have been shown and answers from a script.
#pragma once

#include <QStringList>
#include <deque>

#include "platform/UserPrompts.h"

namespace hublane::test {

class FakePrompts : public platform::UserPrompts {
public:
    struct Message {
        QString text;
        QString caption;
        bool ownedByMainWindow = false;
        bool okCancel = false;
    };

    void ShowError(const QString& text, const QString& caption, bool ownedByMainWindow) override {
        messages.push_back({text, caption, ownedByMainWindow, false});
    }
    void ShowErrorOkCancel(const QString& text, const QString& caption) override {
        messages.push_back({text, caption, false, true});
    }
    std::optional<QString> ChooseOpenFile(const QString& filter) override {
        openFilters << filter;
        if (openAnswers.empty()) {
            return std::nullopt;
        }
        auto answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    std::optional<QString> ChooseFolder(const QString& title, const QString& startFolder) override {
        folderTitles << title;
        folderStarts << startFolder;
        if (folderAnswers.empty()) {
            return std::nullopt;
        }
        auto answer = folderAnswers.front();
        folderAnswers.pop_front();
        return answer;
    }
    void ShowEscapedError(const QString& message) override { escaped << message; }

    std::vector<Message> messages;
    QStringList openFilters;
    std::deque<std::optional<QString>> openAnswers;  // nullopt = cancelled
    QStringList folderTitles;
    QStringList folderStarts;
    std::deque<std::optional<QString>> folderAnswers;
    QStringList escaped;
};

}  // namespace hublane::test

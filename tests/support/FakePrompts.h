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
        return Next(openAnswers);
    }
    std::optional<QString> ChooseFolder(const QString& title, const QString& startFolder) override {
        folderTitles << title;
        folderStarts << startFolder;
        return Next(folderAnswers);
    }
    void ShowEscapedError(const QString& message) override { escaped << message; }

    std::vector<Message> messages;
    QStringList openFilters;
    std::deque<QString> openAnswers;  // a null QString = cancelled; none left = cancelled
    QStringList folderTitles;
    QStringList folderStarts;
    std::deque<QString> folderAnswers;
    QStringList escaped;

  private:
    static std::optional<QString> Next(std::deque<QString>& answers) {
        if (answers.empty() || answers.front().isNull()) {
            if (!answers.empty()) {
                answers.pop_front();
            }
            return std::nullopt;
        }
        const QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace hublane::test

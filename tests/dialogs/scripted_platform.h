#pragma once
// Message boxes and a file picker that answer as the test scripts them and
// keep what they were shown, so no test waits on a modal window.

#include <deque>
#include <vector>

#include "app/platform.h"

namespace orvalinder::testing {

struct ShownBox {
    QString text, caption;
    MessageIcon icon;
    Buttons buttons;
};

class ScriptedBoxes : public MessageBoxes {
public:
    std::deque<Answer> answers;  // the user's answers, first asked first
    std::vector<ShownBox> shown;

    Answer show(QWidget*, const QString& text, MessageIcon icon, Buttons buttons, const QString& caption) override {
        shown.push_back({text, caption, icon, buttons});
        const Answer answer = answers.empty() ? Answer::Cancel : answers.front();
        if (!answers.empty()) answers.pop_front();
        return answer;
    }
};

class ScriptedPicker : public FilePicker {
public:
    std::deque<QString> picks;  // an empty text: the user cancels

    QString openFile(QWidget*, const QString&, const QString&) override {
        const QString pick = picks.empty() ? QString() : picks.front();
        if (!picks.empty()) picks.pop_front();
        return pick;
    }
    QString saveFile(QWidget* parent, const QString& title, const QString& filter) override {
        return openFile(parent, title, filter);
    }
};

}  // namespace orvalinder::testing

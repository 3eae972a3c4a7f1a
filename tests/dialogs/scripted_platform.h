#pragma once
// Message boxes and a file picker that answer as the test scripts them and
// keep what they were shown, so no test waits on a modal window.

#include <deque>
#include <vector>

#include "app/platform.h"

namespace orvalinder::testing {

struct ShownBox {
    QString text;
    QString caption;
    MessageIcon icon;
    Buttons buttons;
};

class ScriptedBoxes : public MessageBoxes {
public:
    std::deque<Answer> answers;  // the user's answers, first asked first
    std::vector<ShownBox> shown;

    Answer show(QWidget*, const QString& text, MessageIcon icon, Buttons buttons, const QString& caption) override {
        shown.push_back({text, caption, icon, buttons});
        if (answers.empty()) return Answer::Cancel;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<QString> texts() const {
        std::vector<QString> result;
        for (const ShownBox& box : shown) result.push_back(box.text);
        return result;
    }
};

class ScriptedPicker : public FilePicker {
public:
    std::deque<QString> picks;  // empty text: the user cancels
    std::vector<QString> filters;

    QString openFile(QWidget*, const QString&, const QString& filter) override { return next(filter); }
    QString saveFile(QWidget*, const QString&, const QString& filter) override { return next(filter); }

private:
    QString next(const QString& filter) {
        filters.push_back(filter);
        if (picks.empty()) return {};
        const QString pick = picks.front();
        picks.pop_front();
        return pick;
    }
};

}  // namespace orvalinder::testing

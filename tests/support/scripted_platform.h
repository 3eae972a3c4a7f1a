#pragma once
// Message boxes, a file picker and a file manager that answer as the test
// scripts them and keep what they were shown, so no test waits on a modal
// window.

#include <QStringList>
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
    std::deque<Answer> answers;  // the user's answers, first asked first; then the first button
    std::vector<ShownBox> shown;

    Answer show(QWidget*, const QString& text, MessageIcon icon, Buttons buttons, const QString& caption) override {
        shown.push_back({text, caption, icon, buttons});
        if (answers.empty()) return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class ScriptedPicker : public FilePicker {
public:
    std::deque<QString> picks;  // an empty text, or none left: the user cancels

    QString openFile(QWidget*, const QString&, const QString&) override {
        const QString pick = picks.empty() ? QString() : picks.front();
        if (!picks.empty()) picks.pop_front();
        return pick;
    }
    QString saveFile(QWidget* parent, const QString& title, const QString& filter) override {
        return openFile(parent, title, filter);
    }
};

class ScriptedFolders : public FolderOpener {
public:
    QStringList opened;
    void openFolder(const QString& path) override { opened << path; }
};

}  // namespace orvalinder::testing

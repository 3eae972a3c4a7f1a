#pragma once
// Message boxes, a file picker and a file manager that answer as the test
// scripts them and keep what they were shown, so no test waits on a modal
// window.

#include <QFileInfo>
#include <QStringList>
#include <deque>
#include <vector>

#include "core/platform.h"

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
    std::deque<QString> picks;     // an empty text, or none left: the user cancels
    QStringList replaceQuestions;  // the existing files the save-style picker asked about; the user said Yes

    // Like the real one, the open-style picker takes no new name and no
    // folder: with such a pick the user could only cancel.
    QString openFile(QWidget*, const QString&, const QString&) override {
        const QString pick = next();
        const QFileInfo file(pick);
        return file.exists() && !file.isDir() ? pick : QString();
    }
    QString saveFile(QWidget*, const QString&, const QString&, ReplaceQuestion replace) override {
        const QString pick = next();
        const QFileInfo file(pick);
        if (file.isDir()) return QString();
        if (file.exists() && replace == ReplaceQuestion::Ask) replaceQuestions << pick;
        return pick;
    }

private:
    QString next() {
        if (picks.empty()) return QString();
        const QString pick = picks.front();
        picks.pop_front();
        return pick;
    }
};

class ScriptedFolders : public FolderOpener {
public:
    QStringList opened;
    void openFolder(const QString& path) override { opened << path; }
};

}  // namespace orvalinder::testing

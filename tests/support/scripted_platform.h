#pragma once
// Message boxes and file pickers that answer as the test says, and remember
// what they showed.

#include <QStringList>
#include <deque>

#include "app/platform.h"

namespace orvalinder::testing {

class ScriptedBoxes : public MessageBoxes {
public:
    QStringList shown;
    std::deque<Answer> answers;  // Ok (or the first button) when empty
    Answer show(QWidget*, const QString& text, MessageIcon, Buttons buttons, const QString&) override {
        shown << text;
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
};

class ScriptedFiles : public FilePicker {
public:
    std::deque<QString> picks;  // cancelled when empty
    QString openFile(QWidget*, const QString&, const QString&) override { return next(); }
    QString saveFile(QWidget*, const QString&, const QString&) override { return next(); }

private:
    QString next() {
        if (picks.empty()) return {};
        const QString p = picks.front();
        picks.pop_front();
        return p;
    }
};

class ScriptedFolders : public FolderOpener {
public:
    QStringList opened;
    void openFolder(const QString& path) override { opened << path; }
};

}  // namespace orvalinder::testing

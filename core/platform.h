#pragma once
// The outside world as the window reaches it: message boxes, the file
// picker and the file manager. The real ones are Qt's (app/platform.h);
// tests put scripted ones in their place, so no test waits on a modal box.

#include <QString>

#include "core/user_message.h"

class QWidget;

namespace orvalinder {

enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A modal box; the caption is the program's title unless one is given.
    virtual Answer show(QWidget* parent, const QString& text, MessageIcon icon, Buttons buttons = Buttons::Ok,
                        const QString& caption = QString()) = 0;
};

// Whether the save-style picker asks before it returns an existing file;
// a caller that asks on its own says DontAsk, so the user is asked once.
enum class ReplaceQuestion { Ask, DontAsk };

class FilePicker {
public:
    virtual ~FilePicker() = default;
    // An empty text when the user cancels. The open-style picker returns an
    // existing file only; the save-style one also a new name.
    virtual QString openFile(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& filter,
                             ReplaceQuestion replace = ReplaceQuestion::Ask) = 0;
};

class FolderOpener {
public:
    virtual ~FolderOpener() = default;
    virtual void openFolder(const QString& path) = 0;
};

struct Platform {
    MessageBoxes& boxes;
    FilePicker& files;
    FolderOpener& folders;
};

}  // namespace orvalinder

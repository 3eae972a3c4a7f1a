#pragma once
// Naming a picture button: the user types a name of their own ("Netflix")
// or finds one of LIRC's key names in the list below the box. The name is
// drawn on the button and matches the button to keys of the same name.

#include <QDialog>

#include "core/platform.h"
#include "library/button_codes.h"

class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace orvalinder {

// A box for a name, and LIRC's key names below it that the typing searches;
// a name chosen from the list goes into the box.
class KeyNameChooser : public QWidget {
    Q_OBJECT
public:
    explicit KeyNameChooser(const QString& currentName, QWidget* parent = nullptr);

    // The box's text, trimmed.
    QString name() const;

    QLineEdit* nameEdit() const { return edit_; }
    QListWidget* keyNames() const { return list_; }

signals:
    // A name of the list was activated (Enter, a double click).
    void activated();

private:
    void filter(const QString& search);
    void choose(QListWidgetItem* item);

    QLineEdit* edit_;
    QListWidget* list_;
};

class CNameDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNameDlg(const QString& currentName, QWidget* parent = nullptr);

    // The box's text, trimmed; empty: the button has no name of its own.
    QString name() const { return chooser_->name(); }

    QLineEdit* nameEdit() const { return chooser_->nameEdit(); }
    QListWidget* keyNames() const { return chooser_->keyNames(); }

private:
    KeyNameChooser* chooser_;
};

// The button's "Name..." menu entry: shows the dialog and stores the name;
// a failure to store it is explained in a box. True when the name changed.
bool nameButton(QWidget* parent, Platform& platform, ButtonCodes& codes, RemoteKind kind, int index);

}  // namespace orvalinder

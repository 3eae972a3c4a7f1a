#pragma once
// Linking a picture button to a key of the user's code library: the keys
// listed under their remotes, found by a search for the key's or the
// remote's name. A linked button sends that key's code.

#include <QDialog>
#include <optional>
#include <vector>

#include "codes/remote.h"
#include "core/platform.h"
#include "library/button_codes.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace orvalinder {

class CLinkKeyDlg : public QDialog {
    Q_OBJECT
public:
    // `current` is the button's link, chosen at first when the library has it.
    CLinkKeyDlg(const std::vector<codes::Remote>& library, const std::optional<LinkedKey>& current,
                QWidget* parent = nullptr);

    // The key chosen in the tree; none when the library is empty.
    std::optional<LinkedKey> chosenKey() const;

    // Null when the library is empty.
    QLineEdit* searchEdit() const { return search_; }
    QTreeWidget* keys() const { return tree_; }

private:
    void filter(const QString& search);
    void keyChosen();

    QLineEdit* search_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// The button's "Link to a key..." menu entry: shows the dialog and stores
// the link; a failure to store it is explained in a box. True when the
// link changed.
bool linkButton(QWidget* parent, Platform& platform, ButtonCodes& codes, RemoteKind kind, int index);

}  // namespace orvalinder

#pragma once
// Importing a file of codes (lircd.conf, Flipper .ir, Pronto text): the
// dialog lists its keys beside the picture buttons they will be linked to.
// Keys whose names match a button's are linked at first; the user chooses a
// button for the others, or none. OK stores the remotes in the user's code
// library and the links.

#include <QDialog>
#include <utility>
#include <vector>

#include "codes/remote.h"
#include "core/platform.h"
#include "library/button_codes.h"

class QComboBox;
class QLabel;
class QTableView;

namespace orvalinder {

class KeysToButtons;

class CImportCodesDlg : public QDialog {
    Q_OBJECT
public:
    CImportCodesDlg(const QString& fileName, std::vector<codes::Remote> remotes, const ButtonLinks& links,
                    RemoteKind picture, QWidget* parent = nullptr);

    const std::vector<codes::Remote>& remotes() const { return remotes_; }
    RemoteKind picture() const;
    // The buttons of picture() chosen for keys, each once, in the buttons' order.
    std::vector<std::pair<int, LinkedKey>> chosenLinks() const;

    QComboBox* pictureBox() const { return pictureBox_; }
    // The keys, a row each, and the button each goes to, chosen in a list
    // that opens on a click. A file may hold 200,000 keys: the rows are
    // drawn from the remotes as they show, never a widget each.
    QTableView* table() const { return table_; }

private:
    void showPicture();
    void countLinks();

    std::vector<codes::Remote> remotes_;
    const ButtonLinks& links_;
    QComboBox* pictureBox_;
    KeysToButtons* keys_;
    QTableView* table_;
    QLabel* summary_;
};

// File > Import codes: reads the file (asking for one when `path` is
// empty), shows the dialog and stores what the user accepts. Every failure
// is explained in a box.
void importCodes(QWidget* parent, Platform& platform, ButtonCodes& codes, RemoteKind shown, QString path);

// File > Export codes: the library's remotes, or one of them, written in the
// format the file's name asks for (.ir Flipper, .txt Pronto, else LIRC).
void exportCodes(QWidget* parent, Platform& platform, const ButtonCodes& codes);

}  // namespace orvalinder

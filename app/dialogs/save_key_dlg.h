#pragma once
// Keeping a frame of the IR Monitor's capture log as a key of the code
// library: the remote to put it in (one of the library's, or a new name)
// and the key's name, typed or found among LIRC's key names as Name...
// finds them. The picture's buttons of that name are linked to the key.

#include <QDialog>

#include "app/dialogs/name_dlg.h"
#include "codes/capture_log.h"
#include "view/orvalinder_view.h"

class QComboBox;
class QPushButton;

namespace orvalinder {

class CSaveKeyDlg : public QDialog {
    Q_OBJECT
public:
    // `heard`: what the frame is ("NEC:20DF10EF"); `picture`: whose buttons
    // are linked.
    CSaveKeyDlg(const QStringList& remotes, const QString& heard, const QString& picture, QWidget* parent = nullptr);

    // Trimmed, as one word each.
    std::string remoteName() const;
    std::string keyName() const;

    QComboBox* remoteBox() const { return remote_; }
    KeyNameChooser* chooser() const { return chooser_; }

private:
    void enableOk();

    QComboBox* remote_;
    KeyNameChooser* chooser_;
    QPushButton* ok_;
};

// A row's "Save as key...": asks, stores the key in the library, links the
// buttons of its name on the picture shown last and says so in the status
// lines; a failure is explained in a box.
void saveCaptureAsKey(QWidget* parent, Platform& platform, COrvalinderView& view, const codes::CaptureRow& row);

}  // namespace orvalinder

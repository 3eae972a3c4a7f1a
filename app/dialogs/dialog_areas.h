#pragma once
// Options, Show click areas: switches the drawing of every button's click
// area, with its key index, over the remote picture.

#include <QDialog>

class QCheckBox;

namespace orvalinder {

class CDialogAreas : public QDialog {
    Q_OBJECT
public:
    // OK sets showClickAreas to the check box's state; Cancel leaves it.
    // The box opens unticked whatever the option's state.
    explicit CDialogAreas(bool& showClickAreas, QWidget* parent = nullptr);

    void accept() override;

private:
    bool& showClickAreas_;
    QCheckBox* check_;
};

}  // namespace orvalinder

#pragma once
// Customize...: shows and hides toolbars, makes, renames and deletes the
// user's own, and gives any toolbar the menus' commands, in any order (with
// the buttons or by dragging). Changes apply at once. Modeless; it deletes
// itself when closed.

#include <QDialog>

class QAction;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolBar;

namespace orvalinder {

class ToolBars;

class CToolBarsCustomizeDlg : public QDialog {
    Q_OBJECT
public:
    CToolBarsCustomizeDlg(ToolBars& toolBars, const QList<QAction*>& commands, QWidget* parent);

private:
    QToolBar* selected() const;
    void showToolBars();
    void showButtons();
    void applyButtons();  // the Buttons list becomes the toolbar's layout
    void insertCommand();
    void removeButton();
    void moveButton(int step);

    ToolBars& toolBars_;
    QListWidget* toolBarList_;
    QLineEdit* name_;
    QPushButton* rename_;
    QPushButton* delete_;
    QPushButton* reset_;
    QListWidget* commandList_;
    QListWidget* buttonList_;
    bool showing_ = false;  // the lists are being filled, not edited
};

}  // namespace orvalinder

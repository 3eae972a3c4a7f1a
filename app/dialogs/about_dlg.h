#pragma once
// Help, About: the program's name and version, what it does, what the
// computer needs for it, and two links. Changes nothing.

#include <QDialog>

namespace orvalinder {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace orvalinder

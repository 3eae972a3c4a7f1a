#pragma once
// Help, About: the program's name and version, what it does, what the
// computer needs for it, where other programs reach it, and two links.
// Changes nothing.

#include <QDialog>

namespace orvalinder {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // `listening`: where LIRC's clients reach the program, when they can;
    // `board`: what is known of the connected board's firmware;
    // `homeAssistant`: how the link to the MQTT broker stands.
    explicit CAboutDlg(QWidget* parent = nullptr, const QString& listening = QString(),
                       const QString& board = QString(), const QString& homeAssistant = QString());
};

}  // namespace orvalinder

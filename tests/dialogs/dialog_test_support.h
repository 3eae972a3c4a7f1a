#pragma once
// Finding a dialog's controls the way the user does: by their texts.

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <gtest/gtest.h>

namespace orvalinder::testing {

inline QAbstractButton* buttonNamed(const QWidget& dialog, const QString& text) {
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if (button->text() == text) return button;
    }
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

inline bool showsText(const QWidget& dialog, const QString& text) {
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text() == text && label->isVisible()) return true;
    }
    return false;
}

// Closed, and how.
inline bool closedWith(const QDialog& dialog, QDialog::DialogCode code) {
    return !dialog.isVisible() && dialog.result() == code;
}

}  // namespace orvalinder::testing

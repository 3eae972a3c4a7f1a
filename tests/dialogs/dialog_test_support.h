#pragma once
// Reaching a dialog's controls the way the user does: by their texts.

#include <QAbstractButton>
#include <QDialog>
#include <gtest/gtest.h>

namespace orvalinder::testing {

inline QAbstractButton* buttonNamed(const QWidget& dialog, const QString& text) {
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if (button->text() == text) return button;
    }
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

inline bool closedWith(const QDialog& dialog, QDialog::DialogCode code) {
    return !dialog.isVisible() && dialog.result() == code;
}

}  // namespace orvalinder::testing

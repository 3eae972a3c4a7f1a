#pragma once
// A dialog's fixed text, shown exactly as written: never read as rich text,
// leading blanks kept.

#include <QLabel>

namespace orvalinder {

inline QLabel* staticText(const QString& text, QWidget* parent, bool wrap = false) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    return label;
}

}  // namespace orvalinder

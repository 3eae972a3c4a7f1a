#pragma once
// The four status lines as the window paints them, with a signal when they
// change. Everything that tells the user something in them writes here.

#include <QObject>
#include <QString>
#include <string>
#include <string_view>

#include "core/status_lines.h"

namespace orvalinder {

// Names and messages in UTF-8, as the status lines draw them.
inline std::wstring wide(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdWString();
}

class StatusModel : public QObject {
    Q_OBJECT
public:
    const StatusLines& lines() const { return lines_; }
    const std::wstring& text(StatusLine line) const { return lines_.text(line); }

    void say(StatusLine line, std::wstring_view text) {
        change([&](StatusLines& l) { l.say(line, text); });
    }
    void say(StatusText fixed) { say(fixed.line, fixed.text); }
    void sayUnnumbered(StatusLine line, std::wstring_view text) {
        change([&](StatusLines& l) { l.sayUnnumbered(line, text); });
    }
    void rest(StatusLine line) {
        change([&](StatusLines& l) { l.rest(line); });
    }
    void reset() {
        change([](StatusLines& l) { l.reset(); });
    }

    // Several lines at once, told as one change.
    template <typename Edit>
    void change(Edit&& edit) {
        edit(lines_);
        emit changed();
    }

signals:
    void changed();

private:
    StatusLines lines_;
};

}  // namespace orvalinder

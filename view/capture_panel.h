#pragma once
// The IR Monitor's capture log: every frame heard since the program started
// (the last CaptureLog::kMaxRows rows), newest first, beside the bars. A
// chosen row's frame is drawn below the list; two chosen rows are drawn on
// one time axis and compared. A row's menu sends it again, saves it as a
// key, copies it as Pronto or Home Assistant's JSON; the rows chosen, or the
// whole log, are exported as mode2 text, CSV or a lircd.conf remote.

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <vector>

#include "codes/capture_log.h"
#include "core/platform.h"
#include "send/sender.h"

class QAction;
class QLabel;
class QMenu;
class QTreeView;

namespace orvalinder {

class CaptureLogModel;
class FrameBars;

class CCapturePanel : public QWidget {
    Q_OBJECT
public:
    // The list follows the log at most this often; the first frame after a
    // quiet spell shows at once.
    static constexpr int kRefreshMs = 100;

    CCapturePanel(Platform& platform, Sender& sender, QWidget* parent = nullptr);

    const codes::CaptureLog& log() const { return log_; }

    // Times the frames from now on by `clock`, microseconds from the wall
    // clock's `start`, instead of by the program's own clock: for pictures
    // that look the same every time.
    void setClock(const QDateTime& start, std::function<std::chrono::microseconds()> clock);

    // A frame the board's receiver measured, heard now. The list shows it
    // at the next refresh.
    void hear(std::vector<uint32_t> durations);
    // Reads a file of mode2 text into the log; a fault is explained in a box
    // (the file, the line and the word), the frames before it kept.
    void openCapture(const QString& path);

    // The rows chosen, the first chosen first; null for a row the log let go.
    std::vector<const codes::CaptureRow*> chosenRows() const;

    QTreeView* list() const { return list_; }
    FrameBars* bars() const { return bars_; }
    QLabel* comparison() const { return comparison_; }
    QMenu* rowMenu() const { return rowMenu_; }

signals:
    // Save as key...: the dialog lives with the others.
    void saveAsKeyRequested(quint64 id);
    // Rows came or went.
    void logChanged();

private:
    void refresh();
    void showChosen();
    void enableCommands();
    const codes::CaptureRow* currentRow() const;
    void sendAgain();
    void copy(bool asPronto);
    void exportRows(bool chosenOnly);

    Platform& platform_;
    Sender& sender_;
    codes::CaptureLog log_;
    QElapsedTimer started_;
    std::function<std::chrono::microseconds()> clock_;  // the log's time; from the program's start
    CaptureLogModel* model_;
    QTreeView* list_;
    FrameBars* bars_;
    QLabel* comparison_;
    QMenu* rowMenu_;
    std::vector<QAction*> rowCommands_;  // those that act on the current row
    QAction* exportChosen_;
    QAction* exportAll_;
    QTimer refreshTimer_;
    bool changed_ = false;  // since the last refresh
};

}  // namespace orvalinder

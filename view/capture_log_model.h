#pragma once
// The capture log as rows of a list, newest first: time, what was heard,
// carrier, count. The log changes with every frame; the list follows it at
// refresh(), in one step of rows added at the top and rows gone at the
// bottom, so a flood of frames costs the window a few refreshes a second
// and the rows chosen stay chosen.

#include <QAbstractTableModel>
#include <QDateTime>

#include "codes/capture_log.h"

namespace orvalinder {

class CaptureLogModel : public QAbstractTableModel {
public:
    enum Column { Time, Heard, Carrier, Count, ColumnCount };

    // `started`: the wall-clock time of the log's time 0.
    CaptureLogModel(const codes::CaptureLog& log, QDateTime started, QObject* parent = nullptr);

    // Catches up with the log.
    void refresh();
    void setStart(const QDateTime& started);

    // The log's row shown at `row`; null once the log no longer keeps it.
    const codes::CaptureRow* rowAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const codes::CaptureLog& log_;
    QDateTime started_;
    // The rows shown are the log's ids newest_, newest_ - 1, ... down
    // count_ of them: ids come one after another.
    uint64_t newest_ = 0;
    int count_ = 0;
};

}  // namespace orvalinder

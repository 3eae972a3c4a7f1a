#include "view/capture_log_model.h"

#include <algorithm>

namespace orvalinder {

CaptureLogModel::CaptureLogModel(const codes::CaptureLog& log, QDateTime started, QObject* parent)
    : QAbstractTableModel(parent), log_(log), started_(std::move(started)) {}

void CaptureLogModel::refresh() {
    const uint64_t newest = log_.size() == 0 ? newest_ : log_.row(0).id;
    const uint64_t oldestKept = log_.size() == 0 ? newest + 1 : log_.row(log_.size() - 1).id;
    // The oldest rows shown that the log let go, at the bottom.
    const uint64_t oldestShown = newest_ + 1 - static_cast<uint64_t>(count_);
    const int gone =
        static_cast<int>(std::min<uint64_t>(count_, oldestKept > oldestShown ? oldestKept - oldestShown : 0));
    if (gone > 0) {
        beginRemoveRows({}, count_ - gone, count_ - 1);
        count_ -= gone;
        endRemoveRows();
    }
    // The rows heard since, at the top; those the log already let go are
    // not shown at all.
    const int added = static_cast<int>(std::min<uint64_t>(newest - newest_, log_.size()));
    if (added > 0) {
        beginInsertRows({}, 0, added - 1);
        newest_ = newest;
        count_ += added;
        endInsertRows();
    }
    // The row that was newest may have taken repeats since.
    if (added < count_) emit dataChanged(index(added, Count), index(added, Count));
}

void CaptureLogModel::setStart(const QDateTime& started) {
    started_ = started;
    if (count_ > 0) emit dataChanged(index(0, Time), index(count_ - 1, Time));
}

const codes::CaptureRow* CaptureLogModel::rowAt(int row) const {
    if (row < 0 || row >= count_) return nullptr;
    return log_.find(newest_ - static_cast<uint64_t>(row));
}

int CaptureLogModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }

int CaptureLogModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant CaptureLogModel::data(const QModelIndex& index, int role) const {
    const codes::CaptureRow* row = rowAt(index.row());
    if (!row || (role != Qt::DisplayRole && role != Qt::TextAlignmentRole)) return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == Heard ? QVariant() : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    switch (index.column()) {
    case Time:
        return started_.addMSecs(std::chrono::duration_cast<std::chrono::milliseconds>(row->time).count())
            .toString(QStringLiteral("HH:mm:ss.zzz"));
    case Heard: return QString::fromStdString(row->text);
    case Carrier: {
        const uint32_t hz = codes::carrierOf(*row);
        return hz == 0 ? QString() : QStringLiteral("%1 kHz").arg(hz / 1000.0, 0, 'f', 1);
    }
    case Count: return row->count > 1 ? QStringLiteral("\u00D7%1").arg(row->count) : QString();
    default: return {};
    }
}

QVariant CaptureLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const titles[] = {"Time", "Heard", "Carrier", "Count"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

}  // namespace orvalinder

#include "view/capture_panel.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSaveFile>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <fstream>
#include <numeric>

#include "view/capture_log_model.h"
#include "view/frame_bars.h"

namespace orvalinder {

namespace {

const QString kHint = QStringLiteral("Choose a row to draw its frame, two rows to compare them.");

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

CCapturePanel::CCapturePanel(Platform& platform, Sender& sender, QWidget* parent)
    : QWidget(parent),
      platform_(platform),
      sender_(sender),
      model_(new CaptureLogModel(log_, QDateTime::currentDateTime(), this)),
      list_(new QTreeView(this)),
      bars_(new FrameBars(this)),
      comparison_(new QLabel(kHint, this)),
      rowMenu_(new QMenu(this)) {
    started_.start();
    clock_ = [this] { return std::chrono::microseconds(started_.nsecsElapsed() / 1000); };
    setAutoFillBackground(true);
    list_->setModel(model_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);  // 10,000 rows cost no more than a few
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAllColumnsShowFocus(true);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    // Widths from the font, not from the rows: measuring them all would cost.
    QHeaderView* header = list_->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(CaptureLogModel::Heard, QHeaderView::Stretch);
    const QFontMetrics metrics = list_->fontMetrics();
    header->resizeSection(CaptureLogModel::Time, metrics.horizontalAdvance(QStringLiteral("00:00:00.000")) + 16);
    header->resizeSection(CaptureLogModel::Carrier, metrics.horizontalAdvance(QStringLiteral("Carrier")) + 24);
    header->resizeSection(CaptureLogModel::Count, metrics.horizontalAdvance(QStringLiteral("\u00D710000")) + 16);
    bars_->setMinimumSize(100, 100);
    bars_->setMaximumHeight(100);
    comparison_->setWordWrap(true);
    comparison_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_, 1);
    layout->addWidget(bars_);
    layout->addWidget(comparison_);

    // The menu's commands, with their keys while the list has the focus.
    const auto command = [this](const QString& name, const QKeySequence& keys, auto act) {
        QAction* action = rowMenu_->addAction(name, this, act);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        list_->addAction(action);
        return action;
    };
    rowCommands_ = {
        command(QStringLiteral("&Send again"), QKeySequence(Qt::Key_Return), [this] { sendAgain(); }),
        command(QStringLiteral("Save as &key..."), {},
                [this] {
                    if (const codes::CaptureRow* row = currentRow()) emit saveAsKeyRequested(row->id);
                }),
        command(QStringLiteral("Copy as &Pronto"), QKeySequence::Copy, [this] { copy(true); }),
        command(QStringLiteral("Copy as &HA JSON"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
                [this] { copy(false); }),
    };
    rowMenu_->addSeparator();
    exportChosen_ = command(QStringLiteral("&Export the chosen rows..."), {}, [this] { exportRows(true); });
    exportAll_ = command(QStringLiteral("Export the &whole log..."), {}, [this] { exportRows(false); });
    enableCommands();

    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { rowMenu_->popup(list_->viewport()->mapToGlobal(at)); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CCapturePanel::showChosen);
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this, &CCapturePanel::showChosen);
    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(kRefreshMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &CCapturePanel::refresh);
}

void CCapturePanel::setClock(const QDateTime& start, std::function<std::chrono::microseconds()> clock) {
    model_->setStart(start);
    clock_ = std::move(clock);
}

void CCapturePanel::hear(std::vector<uint32_t> durations) {
    if (log_.add(codes::HeardFrame{std::move(durations)}, clock_()) == 0) return;
    changed_ = true;
    if (!refreshTimer_.isActive()) refresh();
}

void CCapturePanel::refresh() {
    if (!changed_) return;
    changed_ = false;
    model_->refresh();
    enableCommands();
    refreshTimer_.start();  // the next refresh no sooner
    emit logChanged();
}

void CCapturePanel::openCapture(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary);
    if (!in) {
        platform_.boxes.show(this, QStringLiteral("Can't open %1").arg(shown), MessageIcon::Stop);
        return;
    }
    const uint64_t before = log_.size() == 0 ? 0 : log_.row(0).id;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    std::optional<QString> fault;
    try {
        log_.addMode2(in, shown.toStdString(), clock_());
    } catch (const codes::CodesError& e) {
        fault = text(e.what());
    }
    QGuiApplication::restoreOverrideCursor();
    const uint64_t rows = log_.size() == 0 ? 0 : log_.row(0).id - before;
    changed_ = true;
    refresh();
    sender_.status().say(StatusLine::Sent, QStringLiteral("%1 rows of %2 added to the capture log")
                                               .arg(rows)
                                               .arg(QFileInfo(path).fileName())
                                               .toStdWString());
    if (fault)
        platform_.boxes.show(
            this,
            QStringLiteral("The capture is read up to a fault:\n%1\n\nThe %2 rows before it are in the "
                           "capture log.")
                .arg(*fault)
                .arg(rows),
            MessageIcon::Stop);
}

std::vector<const codes::CaptureRow*> CCapturePanel::chosenRows() const {
    std::vector<const codes::CaptureRow*> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows())
        if (const codes::CaptureRow* row = model_->rowAt(index.row())) rows.push_back(row);
    std::sort(rows.begin(), rows.end(), [](const auto* a, const auto* b) { return a->id < b->id; });
    return rows;
}

const codes::CaptureRow* CCapturePanel::currentRow() const { return model_->rowAt(list_->currentIndex().row()); }

void CCapturePanel::showChosen() {
    enableCommands();
    const std::vector<const codes::CaptureRow*> rows = chosenRows();
    if (rows.size() == 1) {
        const std::vector<uint32_t>& durations = rows[0]->frame.durations;
        const uint64_t length = std::accumulate(durations.begin(), durations.end(), uint64_t(0));
        bars_->draw({durations});
        // A decoded frame's text does not say how long it is.
        QString shown = text(rows[0]->text);
        if (rows[0]->decoded) shown += QStringLiteral(", %1 durations").arg(durations.size());
        comparison_->setText(shown + QStringLiteral(", %1 ms").arg(static_cast<double>(length) / 1000.0, 0, 'f', 1));
    } else if (rows.size() == 2) {
        const codes::FrameComparison differences = codes::compareRows(*rows[0], *rows[1]);
        bars_->draw({rows[0]->frame.durations, rows[1]->frame.durations}, differences.differingDurations);
        QStringList lines{QStringLiteral("%1 (above) vs %2").arg(text(rows[0]->text), text(rows[1]->text))};
        const size_t differing = differences.differingDurations.size();
        lines << (differing == 0 ? QStringLiteral("No duration differs by more than 15 %.")
                  : differing == 1
                      ? QStringLiteral("1 duration differs by more than 15 % (framed in red).")
                      : QStringLiteral("%1 durations differ by more than 15 % (framed in red).").arg(differing));
        for (const std::string& bits : differences.differingBits) lines << text(bits);
        comparison_->setText(lines.join(QLatin1Char('\n')));
    } else {
        bars_->draw({});
        comparison_->setText(kHint);
    }
}

void CCapturePanel::enableCommands() {
    for (QAction* action : rowCommands_) action->setEnabled(currentRow() != nullptr);
    exportChosen_->setEnabled(list_->selectionModel()->hasSelection());
    exportAll_->setEnabled(log_.size() > 0);
}

void CCapturePanel::sendAgain() {
    if (const codes::CaptureRow* row = currentRow()) {
        const codes::RowKey key = codes::keyOf(*row, "CAPTURED");
        sender_.sendOnce(row->text, key.remote, key.key);
    }
}

void CCapturePanel::copy(bool asPronto) {
    const codes::CaptureRow* row = currentRow();
    if (!row) return;
    const std::wstring as = asPronto ? L"Pronto" : L"HA JSON";
    try {
        QGuiApplication::clipboard()->setText(text(asPronto ? codes::prontoOf(*row) : codes::homeAssistantJson(*row)));
        sender_.status().say(StatusLine::Sent, wide(row->text) + L" copied as " + as);
    } catch (const codes::CodesError& e) {
        sender_.status().say(StatusLine::Sent,
                             L"Can't copy " + wide(row->text) + L" as " + as + L": " + wide(e.what()));
    }
}

void CCapturePanel::exportRows(bool chosenOnly) {
    std::vector<uint64_t> ids;
    if (chosenOnly)
        for (const codes::CaptureRow* row : chosenRows()) ids.push_back(row->id);
    if (log_.size() == 0 || (chosenOnly && ids.empty())) return;
    const QString path =
        platform_.files.saveFile(this, QStringLiteral("Export captures"),
                                 QStringLiteral("mode2 text (*.txt);;CSV (*.csv);;LIRC remote (*.lircd.conf)"));
    if (path.isEmpty()) return;
    const codes::CaptureFormat format =
        path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)    ? codes::CaptureFormat::Csv
        : path.endsWith(QStringLiteral(".conf"), Qt::CaseInsensitive) ? codes::CaptureFormat::Lircd
                                                                      : codes::CaptureFormat::Mode2;
    const std::string written = codes::exportRows(log_, format, ids);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(written.data(), static_cast<qint64>(written.size())) < 0 ||
        !file.commit()) {
        platform_.boxes.show(
            this, QStringLiteral("Can't write %1:\n%2").arg(QDir::toNativeSeparators(path), file.errorString()),
            MessageIcon::Stop);
        return;
    }
    sender_.status().say(StatusLine::Sent, QStringLiteral("%1 rows exported to %2")
                                               .arg(ids.empty() ? log_.size() : ids.size())
                                               .arg(QFileInfo(path).fileName())
                                               .toStdWString());
}

}  // namespace orvalinder

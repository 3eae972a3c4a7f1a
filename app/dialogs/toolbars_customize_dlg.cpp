#include "app/dialogs/toolbars_customize_dlg.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolBar>

#include "app/tool_bars.h"

namespace orvalinder {
namespace {

constexpr int kIdRole = Qt::UserRole;

// "&Open...\tCtrl+O" as a list shows it: "Open...".
QString plainText(const QAction* action) {
    QString text = action->text().section(QLatin1Char('\t'), 0, 0);
    text.remove(QLatin1Char('&'));
    return text.isEmpty() ? action->toolTip() : text;
}

QListWidgetItem* commandItem(const QString& text, int id) {
    auto* item = new QListWidgetItem(text);
    item->setData(kIdRole, id);
    return item;
}

QPushButton* button(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

CToolBarsCustomizeDlg::CToolBarsCustomizeDlg(ToolBars& toolBars, const QList<QAction*>& commands, QWidget* parent)
    : QDialog(parent), toolBars_(toolBars) {
    setWindowTitle(QStringLiteral("Customize"));
    setAttribute(Qt::WA_DeleteOnClose);

    toolBarList_ = new QListWidget(this);
    toolBarList_->setObjectName(QStringLiteral("toolBars"));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("toolBarName"));
    name_->setPlaceholderText(QStringLiteral("Name of a new toolbar"));
    auto* create = button(QStringLiteral("&New"), this);
    rename_ = button(QStringLiteral("Re&name"), this);
    delete_ = button(QStringLiteral("&Delete"), this);
    reset_ = button(QStringLiteral("&Reset"), this);

    commandList_ = new QListWidget(this);
    commandList_->setObjectName(QStringLiteral("commands"));
    commandList_->setDragEnabled(true);
    commandList_->setIconSize(QSize(16, 16));
    commandList_->setDragDropMode(QAbstractItemView::DragOnly);
    commandList_->setDefaultDropAction(Qt::CopyAction);
    commandList_->addItem(commandItem(QStringLiteral("Separator"), ToolBars::kSeparator));
    for (const QAction* command : commands) {
        QListWidgetItem* item = commandItem(plainText(command), command->data().toInt());
        item->setIcon(command->icon());
        commandList_->addItem(item);
    }
    auto* add = button(QStringLiteral("&Add >"), this);
    auto* remove = button(QStringLiteral("< Re&move"), this);
    auto* up = button(QStringLiteral("&Up"), this);
    auto* down = button(QStringLiteral("Do&wn"), this);

    buttonList_ = new QListWidget(this);
    buttonList_->setObjectName(QStringLiteral("buttons"));
    buttonList_->setDragDropMode(QAbstractItemView::DragDrop);
    buttonList_->setIconSize(QSize(16, 16));
    buttonList_->setDefaultDropAction(Qt::MoveAction);
    auto* close = button(QStringLiteral("Close"), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Toolbars (tick to show):"), this), 0, 0, 1, 2);
    grid->addWidget(toolBarList_, 1, 0, 1, 2);
    grid->addWidget(name_, 2, 0, 1, 2);
    grid->addWidget(create, 3, 0);
    grid->addWidget(rename_, 3, 1);
    grid->addWidget(delete_, 4, 0);
    grid->addWidget(reset_, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("Commands:"), this), 0, 2);
    grid->addWidget(commandList_, 1, 2, 4, 1);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    for (QPushButton* b : {add, remove, up, down}) middle->addWidget(b);
    middle->addStretch();
    grid->addLayout(middle, 1, 3, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("Buttons of the toolbar:"), this), 0, 4);
    grid->addWidget(buttonList_, 1, 4, 4, 1);
    grid->addWidget(close, 5, 4, Qt::AlignRight);

    connect(toolBarList_, &QListWidget::currentRowChanged, this, &CToolBarsCustomizeDlg::showButtons);
    connect(toolBarList_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const QList<QToolBar*> bars = toolBars_.all();
        const int row = toolBarList_->row(item);
        if (row >= 0 && row < bars.size()) bars[row]->setVisible(item->checkState() == Qt::Checked);
    });
    connect(create, &QPushButton::clicked, this, [this] {
        QString title = name_->text().trimmed();
        if (title.isEmpty()) title = QStringLiteral("Toolbar %1").arg(toolBars_.all().size());
        toolBars_.create(title);
        name_->clear();
        toolBarList_->setCurrentRow(toolBarList_->count() - 1);
    });
    connect(rename_, &QPushButton::clicked, this, [this] { toolBars_.rename(selected(), name_->text()); });
    connect(delete_, &QPushButton::clicked, this, [this] { toolBars_.remove(selected()); });
    connect(reset_, &QPushButton::clicked, this, [this] { toolBars_.resetStandard(); });
    connect(add, &QPushButton::clicked, this, &CToolBarsCustomizeDlg::insertCommand);
    connect(commandList_, &QListWidget::itemDoubleClicked, this, &CToolBarsCustomizeDlg::insertCommand);
    connect(remove, &QPushButton::clicked, this, &CToolBarsCustomizeDlg::removeButton);
    connect(up, &QPushButton::clicked, this, [this] { moveButton(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveButton(1); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    // A drag within the list or from the commands changes the rows.
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(buttonList_->model(), signal, this, [this] {
            if (!showing_) QTimer::singleShot(0, this, &CToolBarsCustomizeDlg::applyButtons);
        });
    connect(buttonList_->model(), &QAbstractItemModel::rowsMoved, this, [this] {
        if (!showing_) QTimer::singleShot(0, this, &CToolBarsCustomizeDlg::applyButtons);
    });
    connect(&toolBars_, &ToolBars::changed, this, &CToolBarsCustomizeDlg::showToolBars);

    showToolBars();
    toolBarList_->setCurrentRow(0);
}

QToolBar* CToolBarsCustomizeDlg::selected() const {
    const QList<QToolBar*> bars = toolBars_.all();
    const int row = toolBarList_->currentRow();
    return row >= 0 && row < bars.size() ? bars[row] : nullptr;
}

void CToolBarsCustomizeDlg::showToolBars() {
    const int row = toolBarList_->currentRow();
    {
        // Filling the list is no tick of the user's.
        const QSignalBlocker quiet(toolBarList_);
        toolBarList_->clear();
        for (QToolBar* bar : toolBars_.all()) {
            auto* item = new QListWidgetItem(bar->windowTitle());
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(bar->isHidden() ? Qt::Unchecked : Qt::Checked);
            toolBarList_->addItem(item);
        }
    }
    toolBarList_->setCurrentRow(std::min(std::max(row, 0), toolBarList_->count() - 1));
    showButtons();
}

void CToolBarsCustomizeDlg::showButtons() {
    QToolBar* bar = selected();
    const int row = buttonList_->currentRow();
    const QScopedValueRollback filling(showing_, true);
    buttonList_->clear();
    if (bar) {
        for (int id : toolBars_.commands(bar)) {
            // Shown as in the commands list, which holds every id a toolbar can have.
            for (int i = 0; i < commandList_->count(); ++i) {
                if (commandList_->item(i)->data(kIdRole).toInt() == id) {
                    buttonList_->addItem(commandList_->item(i)->clone());
                    break;
                }
            }
        }
    }
    buttonList_->setCurrentRow(std::min(row, buttonList_->count() - 1));
    const bool mine = bar && toolBars_.madeByUser(bar);
    rename_->setEnabled(mine);
    delete_->setEnabled(mine);
    reset_->setEnabled(bar && bar == toolBars_.standard());
}

void CToolBarsCustomizeDlg::applyButtons() {
    QToolBar* bar = selected();
    if (!bar) return;
    std::vector<int> ids;
    for (int i = 0; i < buttonList_->count(); ++i) ids.push_back(buttonList_->item(i)->data(kIdRole).toInt());
    if (ids != toolBars_.commands(bar)) toolBars_.setCommands(bar, ids);
}

void CToolBarsCustomizeDlg::insertCommand() {
    QToolBar* bar = selected();
    const QListWidgetItem* command = commandList_->currentItem();
    if (!bar || !command) return;
    std::vector<int> ids = toolBars_.commands(bar);
    const int at = buttonList_->currentRow() < 0 ? static_cast<int>(ids.size()) : buttonList_->currentRow() + 1;
    ids.insert(ids.begin() + at, command->data(kIdRole).toInt());
    toolBars_.setCommands(bar, ids);
    buttonList_->setCurrentRow(at);
}

void CToolBarsCustomizeDlg::removeButton() {
    QToolBar* bar = selected();
    const int row = buttonList_->currentRow();
    if (!bar || row < 0) return;
    std::vector<int> ids = toolBars_.commands(bar);
    ids.erase(ids.begin() + row);
    toolBars_.setCommands(bar, ids);
}

void CToolBarsCustomizeDlg::moveButton(int step) {
    QToolBar* bar = selected();
    const int row = buttonList_->currentRow();
    std::vector<int> ids = bar ? toolBars_.commands(bar) : std::vector<int>{};
    const int to = row + step;
    if (row < 0 || to < 0 || to >= static_cast<int>(ids.size())) return;
    std::swap(ids[static_cast<size_t>(row)], ids[static_cast<size_t>(to)]);
    toolBars_.setCommands(bar, ids);
    buttonList_->setCurrentRow(to);
}

}  // namespace orvalinder

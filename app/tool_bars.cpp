#include "app/tool_bars.h"

#include <QAction>
#include <QCursor>
#include <QDrag>
#include <QDropEvent>
#include <QMainWindow>
#include <QMimeData>
#include <QMouseEvent>
#include <QSettings>
#include <QToolBar>
#include <QToolButton>

#include "core/commands.h"

namespace orvalinder {
namespace {

const QString kButtonMime = QStringLiteral("application/x-orvalinder-toolbar-button");
const QString kUserPrefix = QStringLiteral("UserToolbar");
// More entries than anyone makes: the rest of a damaged list is ignored.
constexpr int kMaxSavedToolBars = 64;

std::vector<int> parseIds(const QString& text) {
    std::vector<int> ids;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int id = part.trimmed().toInt(&ok);
        if (ok) ids.push_back(id);
    }
    return ids;
}

QString joinIds(const std::vector<int>& ids) {
    QStringList parts;
    for (int id : ids) parts << QString::number(id);
    return parts.join(QLatin1Char(','));
}

}  // namespace

const std::vector<int>& ToolBars::standardLayout() {
    using namespace command;
    static const std::vector<int> layout{FileNew, FileOpen, FileSave,   kSeparator, Cut,
                                         Copy,    Paste,    kSeparator, FilePrint,  About};
    return layout;
}

ToolBars::ToolBars(QMainWindow& frame, std::function<QAction*(int)> action, QAction* customize)
    : QObject(&frame), frame_(frame), action_(std::move(action)), customize_(customize) {
    standard_ = makeToolBar(QStringLiteral("Standard"), QStringLiteral("Standard"));
    setCommands(standard_, standardLayout());
}

QToolBar* ToolBars::makeToolBar(const QString& name, const QString& title) {
    auto* bar = new QToolBar(title, &frame_);
    bar->setObjectName(name);
    bar->setMovable(true);
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    bar->setIconSize(QSize(16, 16));
    bar->setAcceptDrops(true);
    bar->installEventFilter(this);
    frame_.addToolBar(Qt::TopToolBarArea, bar);
    return bar;
}

QList<QToolBar*> ToolBars::all() const {
    QList<QToolBar*> bars{standard_};
    for (const QPointer<QToolBar>& bar : user_)
        if (bar) bars << bar;
    return bars;
}

bool ToolBars::madeByUser(const QToolBar* bar) const {
    for (const QPointer<QToolBar>& mine : user_)
        if (mine == bar) return true;
    return false;
}

QToolBar* ToolBars::create(const QString& title) {
    int next = 1;
    for (QToolBar* bar : all())
        if (bar->objectName().startsWith(kUserPrefix))
            next = std::max(next, bar->objectName().mid(kUserPrefix.size()).toInt() + 1);
    QToolBar* bar = makeToolBar(kUserPrefix + QString::number(next), title);
    user_ << bar;
    setCommands(bar, {});
    bar->show();
    emit changed();
    return bar;
}

void ToolBars::rename(QToolBar* bar, const QString& title) {
    if (!madeByUser(bar) || title.trimmed().isEmpty()) return;
    bar->setWindowTitle(title.trimmed());
    emit changed();
}

void ToolBars::remove(QToolBar* bar) {
    if (!madeByUser(bar)) return;
    user_.removeAll(bar);
    frame_.removeToolBar(bar);
    bar->deleteLater();
    emit changed();
}

std::vector<int> ToolBars::commands(const QToolBar* bar) const {
    std::vector<int> ids;
    for (QAction* a : bar->actions()) {
        if (a == customize_) continue;
        ids.push_back(a->isSeparator() ? kSeparator : a->data().toInt());
    }
    return ids;
}

void ToolBars::setCommands(QToolBar* bar, const std::vector<int>& ids) {
    bar->clear();
    for (int id : ids) {
        if (id == kSeparator) {
            bar->addSeparator();
        } else if (QAction* a = action_(id)) {
            bar->addAction(a);
            if (QWidget* button = bar->widgetForAction(a)) button->installEventFilter(this);
        }
    }
    bar->addAction(customize_);
    emit changed();
}

void ToolBars::resetStandard() { setCommands(standard_, standardLayout()); }

void ToolBars::moveButton(QToolBar* source, int from, QToolBar* target, int to) {
    std::vector<int> ids = commands(source);
    if (from < 0 || from >= static_cast<int>(ids.size())) return;
    const int id = ids[static_cast<size_t>(from)];
    ids.erase(ids.begin() + from);
    if (target == source && to > from) --to;
    if (target != source) {
        setCommands(source, ids);
        if (!target) return;
        ids = commands(target);
    }
    to = std::clamp(to, 0, static_cast<int>(ids.size()));
    ids.insert(ids.begin() + to, id);
    setCommands(target, ids);
}

int ToolBars::buttonIndexAt(QToolBar* bar, QPoint position) const {
    const QList<QAction*> actions = bar->actions();
    QAction* at = bar->actionAt(position);
    const int index = at && at != customize_ ? static_cast<int>(actions.indexOf(at)) : -1;
    return index >= 0 ? index : static_cast<int>(commands(bar).size());
}

void ToolBars::restore(QSettings& state) {
    const int count = std::min(state.beginReadArray(QStringLiteral("Toolbars")), kMaxSavedToolBars);
    for (int i = 0; i < count; ++i) {
        state.setArrayIndex(i);
        const QString name = state.value(QStringLiteral("Name")).toString();
        const QString title = state.value(QStringLiteral("Title")).toString().trimmed();
        const std::vector<int> ids = parseIds(state.value(QStringLiteral("Commands")).toString());
        if (name == standard_->objectName()) {
            setCommands(standard_, ids);
        } else if (name.startsWith(kUserPrefix) && !title.isEmpty() && !frame_.findChild<QToolBar*>(name)) {
            QToolBar* bar = makeToolBar(name, title);
            user_ << bar;
            setCommands(bar, ids);
            bar->show();  // unless the saved places say otherwise
        }
    }
    state.endArray();
}

void ToolBars::save(QSettings& state) const {
    state.remove(QStringLiteral("Toolbars"));
    state.beginWriteArray(QStringLiteral("Toolbars"));
    int i = 0;
    for (QToolBar* bar : all()) {
        state.setArrayIndex(i++);
        state.setValue(QStringLiteral("Name"), bar->objectName());
        state.setValue(QStringLiteral("Title"), bar->windowTitle());
        state.setValue(QStringLiteral("Commands"), joinIds(commands(bar)));
    }
    state.endArray();
}

bool ToolBars::eventFilter(QObject* watched, QEvent* event) {
    // Quick customization: Alt and a drag moves a button, also to another
    // toolbar; dropped off every toolbar, the button goes.
    if (event->type() == QEvent::MouseButtonPress) {
        auto* press = static_cast<QMouseEvent*>(event);
        auto* button = qobject_cast<QToolButton*>(watched);
        auto* bar = button ? qobject_cast<QToolBar*>(button->parentWidget()) : nullptr;
        if (!bar || press->button() != Qt::LeftButton || !(press->modifiers() & Qt::AltModifier)) return false;
        const int from = static_cast<int>(bar->actions().indexOf(button->defaultAction()));
        if (from < 0 || button->defaultAction() == customize_) return false;
        auto* data = new QMimeData;
        data->setData(kButtonMime, QByteArray::number(from));
        auto* drag = new QDrag(button);
        drag->setMimeData(data);
        drag->setPixmap(button->grab());
        dragSource_ = bar;
        dropped_ = false;
        drag->exec(Qt::MoveAction);
        // Released over its own toolbar without a drop (or on a platform
        // without drag and drop): the button stays.
        const bool overItsToolBar = bar->rect().contains(bar->mapFromGlobal(QCursor::pos()));
        // The buttons are rebuilt after this event, not under its feet.
        if (!dropped_ && !overItsToolBar) {
            QPointer<QToolBar> source = bar;
            QMetaObject::invokeMethod(
                this,
                [this, source, from] {
                    if (source) moveButton(source, from, nullptr, 0);
                },
                Qt::QueuedConnection);
        }
        return true;
    }
    auto* bar = qobject_cast<QToolBar*>(watched);
    if (!bar) return false;
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!drag->mimeData()->hasFormat(kButtonMime)) return false;
        drag->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasFormat(kButtonMime) || !dragSource_) return false;
        const int from = drop->mimeData()->data(kButtonMime).toInt();
        const int to = buttonIndexAt(bar, drop->position().toPoint());
        dropped_ = true;
        drop->acceptProposedAction();
        QPointer<QToolBar> source = dragSource_, target = bar;
        QMetaObject::invokeMethod(
            this,
            [this, source, target, from, to] {
                if (source && target) moveButton(source, from, target, to);
            },
            Qt::QueuedConnection);
        return true;
    }
    return false;
}

}  // namespace orvalinder

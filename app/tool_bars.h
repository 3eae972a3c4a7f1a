#pragma once
// The frame's toolbars: the "Standard" one and those the user makes. Their
// buttons are kept as command ids (0 for a separator); each toolbar ends
// with the "Customize..." button. With Alt held, a button can be dragged to
// another place or toolbar, or off every toolbar to remove it. The layout
// goes to the per-user state and comes back, repaired, at the next start.

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class QAction;
class QMainWindow;
class QSettings;
class QToolBar;

namespace orvalinder {

class ToolBars : public QObject {
    Q_OBJECT
public:
    static constexpr int kSeparator = 0;
    // New, Open, Save | Cut, Copy, Paste | Print, About.
    static const std::vector<int>& standardLayout();

    // `action` finds a command's action, nullptr for an unknown id.
    ToolBars(QMainWindow& frame, std::function<QAction*(int)> action, QAction* customize);

    QToolBar* standard() const { return standard_; }
    // The Standard toolbar first, then the user's in the order made.
    QList<QToolBar*> all() const;
    bool madeByUser(const QToolBar* bar) const;

    QToolBar* create(const QString& title);
    void rename(QToolBar* bar, const QString& title);
    void remove(QToolBar* bar);  // the user's toolbars only

    std::vector<int> commands(const QToolBar* bar) const;
    // Unknown ids are dropped; the customize button stays last.
    void setCommands(QToolBar* bar, const std::vector<int>& ids);
    void resetStandard();
    // Moves the button at `from` of one toolbar to `to` of another (or the
    // same); without a target toolbar the button is removed.
    void moveButton(QToolBar* source, int from, QToolBar* target, int to);

    // Before QMainWindow::restoreState, so that the user's toolbars exist.
    void restore(QSettings& state);
    void save(QSettings& state) const;

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolBar* makeToolBar(const QString& name, const QString& title);
    int buttonIndexAt(QToolBar* bar, QPoint position) const;

    QMainWindow& frame_;
    std::function<QAction*(int)> action_;
    QAction* customize_;
    QToolBar* standard_;
    QList<QPointer<QToolBar>> user_;
    QPointer<QToolBar> dragSource_;
    bool dropped_ = false;
};

}  // namespace orvalinder

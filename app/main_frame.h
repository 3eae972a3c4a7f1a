#pragma once
// The program's one window: menu bar, the "Standard" toolbar and the view.
// There is no status bar; the view draws its own status lines.

#include <QMainWindow>
#include <QStringList>
#include <map>
#include <memory>

#include "app/orvalinder_doc.h"
#include "app/qt_platform.h"
#include "view/orvalinder_view.h"

class QSettings;

#include "app/tool_bars.h"

namespace orvalinder {

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kMaxRecentFiles = 8;

    // `state` keeps the recent files and the window and toolbar layout.
    CMainFrame(Platform& platform, Sender& sender, COrvalinderDoc& document, QSettings& state);

    // The per-user place of that state, apart from the serial settings.
    static std::unique_ptr<QSettings> openState();

    COrvalinderView* view() const { return view_; }
    QAction* action(int commandId) const;
    // The "Standard" toolbar, and all of them.
    QToolBar* toolBar() const;
    ToolBars* toolBars() const { return toolBars_; }
    // The commands a toolbar can be given: those of the menus, and Print.
    QList<QAction*> menuCommands() const;
    QStringList recentFiles() const { return recentFiles_; }

    // The document named by the program's arguments, or a new one. False when
    // the named file cannot be opened (it has been reported).
    bool openCommandLine(const QStringList& arguments);

    // File commands; each reports its own failures.
    void newDocument();
    bool openDocument(const QString& path);
    void saveDocument();
    void saveDocumentAs();

    // Imports a file of codes, as File > Import codes... does for a file
    // the user picks; without a path it asks for one.
    void importCodes(const QString& path) { emit importCodesRequested(path); }

    // Where LIRC's clients reach the program, for Help > About; empty when
    // they cannot.
    QString listeningAt;

    // The pane context menu: the toolbars to show or hide, and Customize.
    QMenu* createPopupMenu() override;

signals:
    // The commands whose dialogs live elsewhere.
    void comSettingsRequested();
    void homeAssistantRequested();
    void showClickAreasRequested();
    void swapBitsRequested();
    void aboutRequested();
    void customizeRequested();
    void importCodesRequested(const QString& path);
    void exportCodesRequested();
    void learnRemoteRequested();
    void findCodeRequested();
    void flashFirmwareRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QAction* addCommand(QMenu* menu, int id, const QString& text);
    void buildMenus();
    void buildToolBar();
    void rememberRecentFile(const QString& path);
    void forgetRecentFile(const QString& path);
    void storeRecentFiles();  // and shows them in the File menu
    void showRecentFiles();
    void showDocumentTitle(const QString& title);
    void showSelection();

    Platform& platform_;
    COrvalinderDoc& document_;
    QSettings& state_;
    COrvalinderView* view_;
    ToolBars* toolBars_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* recentPlaceholder_ = nullptr;
    QList<QAction*> recentActions_;
    QStringList recentFiles_;
    std::map<int, QAction*> actions_;
};

}  // namespace orvalinder

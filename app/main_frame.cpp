#include "app/main_frame.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QScreen>
#include <QToolBar>

#include "app/tool_bars.h"
#include "core/commands.h"
#include "resources/icons.h"

namespace orvalinder {

namespace {
const QString kDocumentFilter = QStringLiteral("Orvalinder Files (*.txt)");
const QString kRecentKey = QStringLiteral("Recent File List/File%1");
}  // namespace

CMainFrame::CMainFrame(Platform& platform, Sender& sender, COrvalinderDoc& document, QSettings& state)
    : platform_(platform), document_(document), state_(state), view_(new COrvalinderView(platform, sender, this)) {
    setObjectName(QStringLiteral("MainFrame"));
    setCentralWidget(view_);
    setAcceptDrops(true);
    for (int i = 1; i <= kMaxRecentFiles; ++i) {
        const QString path = state_.value(kRecentKey.arg(i)).toString();
        if (!path.isEmpty()) recentFiles_ << path;
    }
    buildMenus();
    buildToolBar();
    showRecentFiles();
    connect(&document_, &COrvalinderDoc::titleChanged, this, &CMainFrame::showDocumentTitle);
    connect(view_, &COrvalinderView::titleRequested, this, &QWidget::setWindowTitle);
    if (!restoreGeometry(state_.value(QStringLiteral("Workspace/Geometry")).toByteArray())) {
        // First start: room for the status lines and a whole remote.
        QSize size(1000, 940);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) size = size.boundedTo(screen->availableSize());
        resize(size);
    }
    // The user's toolbars must exist before their places are restored; a
    // damaged state leaves the default layout.
    toolBars_->restore(state_);
    restoreState(state_.value(QStringLiteral("Workspace/State")).toByteArray());
    showSelection();
}

std::unique_ptr<QSettings> CMainFrame::openState() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Local AppWizard-Generated Applications"),
                                       QStringLiteral("Orvalinder"));
}

bool CMainFrame::openCommandLine(const QStringList& arguments) {
    if (arguments.isEmpty() || arguments.first().isEmpty()) {
        newDocument();
        return true;
    }
    return openDocument(arguments.first());
}

QAction* CMainFrame::action(int commandId) const {
    auto it = actions_.find(commandId);
    return it == actions_.end() ? nullptr : it->second;
}

QAction* CMainFrame::addCommand(QMenu* menu, int id, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    actions_[id] = action;
    return action;
}

void CMainFrame::buildMenus() {
    using namespace command;
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    addCommand(fileMenu_, FileNew, QStringLiteral("&New\tCtrl+N"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    addCommand(fileMenu_, FileOpen, QStringLiteral("&Open...\tCtrl+O"))
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    addCommand(fileMenu_, FileSave, QStringLiteral("&Save\tCtrl+S"))
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    addCommand(fileMenu_, FileSaveAs, QStringLiteral("Save &As..."));
    fileMenu_->addSeparator();
    connect(addCommand(fileMenu_, ImportCodes, QStringLiteral("&Import codes...")), &QAction::triggered, this,
            [this] { emit importCodesRequested(QString()); });
    connect(addCommand(fileMenu_, ExportCodes, QStringLiteral("&Export codes...")), &QAction::triggered, this,
            &CMainFrame::exportCodesRequested);
    actions_[ImportCodes]->setStatusTip(QStringLiteral(
        "Adds the remotes of a LIRC, Flipper or Pronto file to your codes and links their keys to buttons."));
    actions_[ExportCodes]->setStatusTip(QStringLiteral("Writes your codes as a LIRC, Flipper or Pronto file."));
    connect(addCommand(fileMenu_, OpenCapture, QStringLiteral("Open &capture...")), &QAction::triggered, this, [this] {
        const QString path = platform_.files.openFile(this, QStringLiteral("Open capture"),
                                                      QStringLiteral("mode2 text (*.txt *.mode2);;All files (*)"));
        if (path.isEmpty()) return;
        // The capture log shows there.
        if (view_->state().remoteKind != IrMonitor) actions_[command::SelectIrMonitor]->trigger();
        view_->capturePanel()->openCapture(path);
    });
    actions_[OpenCapture]->setStatusTip(
        QStringLiteral("Adds the frames of a mode2 capture, such as LIRC's mode2 writes, to the IR Monitor's log."));
    fileMenu_->addSeparator();
    recentPlaceholder_ = addCommand(fileMenu_, FirstRecentFile, QStringLiteral("Recent File"));
    fileMenu_->addSeparator();
    QAction* exit = addCommand(fileMenu_, Exit, QStringLiteral("E&xit"));
    connect(actions_[FileNew], &QAction::triggered, this, &CMainFrame::newDocument);
    connect(actions_[FileOpen], &QAction::triggered, this, [this] {
        const QString path = platform_.files.openFile(this, QStringLiteral("Open"), kDocumentFilter);
        if (!path.isEmpty()) openDocument(path);
    });
    connect(actions_[FileSave], &QAction::triggered, this, &CMainFrame::saveDocument);
    connect(actions_[FileSaveAs], &QAction::triggered, this, &CMainFrame::saveDocumentAs);
    connect(exit, &QAction::triggered, this, &QWidget::close);

    // Nothing in the program edits or prints; these stay disabled.
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    addCommand(edit, Undo, QStringLiteral("&Undo\tCtrl+Z"));
    edit->addSeparator();
    addCommand(edit, Cut, QStringLiteral("Cu&t\tCtrl+X"));
    addCommand(edit, Copy, QStringLiteral("&Copy\tCtrl+C"));
    addCommand(edit, Paste, QStringLiteral("&Paste\tCtrl+V"));
    for (int id : {Undo, Cut, Copy, Paste}) actions_[id]->setEnabled(false);

    QMenu* remote = menuBar()->addMenu(QStringLiteral("Remote"));
    auto* selection = new QActionGroup(this);
    for (const RemoteInfo& info : remoteCatalogue()) {
        QAction* select = addCommand(remote, info.commandId, QString::fromUtf8(info.menuText));
        select->setCheckable(true);
        selection->addAction(select);
        const RemoteKind kind = info.kind;
        connect(select, &QAction::triggered, this, [this, kind] {
            view_->selectRemote(kind);
            showSelection();
        });
    }

    QMenu* tools = menuBar()->addMenu(QStringLiteral("Tools"));
    connect(addCommand(tools, RecordButtonLocations, QStringLiteral("&Record button locations")), &QAction::triggered,
            view_, &COrvalinderView::startRecording);
    connect(addCommand(tools, OpenCurrentDirectory, QStringLiteral("&Open current directory")), &QAction::triggered,
            view_, &COrvalinderView::openCurrentDirectory);
    connect(addCommand(tools, SwapBits, QStringLiteral("&Swap bits")), &QAction::triggered, this, [this] {
        emit swapBitsRequested();
        view_->update();
    });
    actions_[SwapBits]->setStatusTip(QStringLiteral("Reverses the order of bits in remote codes."));
    connect(addCommand(tools, LearnRemote, QStringLiteral("&Learn a remote...")), &QAction::triggered, this,
            &CMainFrame::learnRemoteRequested);
    actions_[LearnRemote]->setStatusTip(
        QStringLiteral("Learns the picture's buttons one by one from your remote, through the board's receiver."));
    connect(addCommand(tools, FindCode, QStringLiteral("&Find a code...")), &QAction::triggered, this,
            &CMainFrame::findCodeRequested);
    actions_[FindCode]->setStatusTip(
        QStringLiteral("Tries the codes of the common brands one by one until your device reacts, for a lost remote."));
    connect(addCommand(tools, FlashFirmware, QStringLiteral("&Put the firmware on the board...")), &QAction::triggered,
            this, &CMainFrame::flashFirmwareRequested);
    actions_[FlashFirmware]->setStatusTip(
        QStringLiteral("Writes the IrBridge firmware that came with the program into the board, with avrdude."));

    QMenu* options = menuBar()->addMenu(QStringLiteral("Options"));
    connect(addCommand(options, ComSettings, QStringLiteral("&Com settings")), &QAction::triggered, this,
            &CMainFrame::comSettingsRequested);
    connect(addCommand(options, HomeAssistant, QStringLiteral("&Home Assistant (MQTT)...")), &QAction::triggered, this,
            &CMainFrame::homeAssistantRequested);
    actions_[HomeAssistant]->setStatusTip(
        QStringLiteral("The MQTT broker through which Home Assistant and scripts send and hear infrared."));
    connect(addCommand(options, ShowClickAreas, QStringLiteral("&Show click areas")), &QAction::triggered, this,
            [this] {
                emit showClickAreasRequested();
                view_->update();
            });
    actions_[ShowClickAreas]->setStatusTip(QStringLiteral("Enable or disable the display of click areas."));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(addCommand(help, About, QStringLiteral("&About Orvalinder...")), &QAction::triggered, this,
            &CMainFrame::aboutRequested);

    // The accelerators the menus do not show.
    actions_[Undo]->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+Z")), QKeySequence(QStringLiteral("Alt+Backspace"))});
    actions_[Cut]->setShortcuts({QKeySequence(QStringLiteral("Ctrl+X")), QKeySequence(QStringLiteral("Shift+Del"))});
    actions_[Copy]->setShortcuts({QKeySequence(QStringLiteral("Ctrl+C")), QKeySequence(QStringLiteral("Ctrl+Ins"))});
    actions_[Paste]->setShortcuts({QKeySequence(QStringLiteral("Ctrl+V")), QKeySequence(QStringLiteral("Shift+Ins"))});
}

void CMainFrame::buildToolBar() {
    using namespace command;
    auto* print = new QAction(QStringLiteral("Print"), this);
    print->setData(FilePrint);
    print->setEnabled(false);
    actions_[FilePrint] = print;

    // The program's own icons: a desktop without an icon theme would show
    // some of these buttons as words.
    struct Button {
        int id;
        const char* tip;
        ToolIcon icon;
    };
    const Button buttons[] = {
        {FileNew, "New", ToolIcon::New},       {FileOpen, "Open", ToolIcon::Open}, {FileSave, "Save", ToolIcon::Save},
        {Cut, "Cut", ToolIcon::Cut},           {Copy, "Copy", ToolIcon::Copy},     {Paste, "Paste", ToolIcon::Paste},
        {FilePrint, nullptr, ToolIcon::Print}, {About, "About", ToolIcon::About},
    };
    for (const Button& b : buttons) {
        QAction* a = actions_[b.id];
        a->setIcon(toolIcon(b.icon));
        if (b.tip) {
            a->setToolTip(QString::fromLatin1(b.tip));
            a->setIconText(QString::fromLatin1(b.tip));
        }
    }

    auto* customize = new QAction(QStringLiteral("Customize..."), this);
    customize->setData(Customize);
    customize->setToolTip(customize->text());
    // A small arrow at the end of each toolbar, as desktop programs show it.
    customize->setIcon(toolIcon(ToolIcon::Customize));
    actions_[Customize] = customize;
    connect(customize, &QAction::triggered, this, &CMainFrame::customizeRequested);
    toolBars_ = new ToolBars(
        *this, [this](int id) { return id == Customize ? nullptr : action(id); }, customize);

    // A right click on the menu bar shows the same menu as on the toolbars.
    menuBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(menuBar(), &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        QMenu* menu = createPopupMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(menuBar()->mapToGlobal(at));
    });
}

QToolBar* CMainFrame::toolBar() const { return toolBars_->standard(); }

QMenu* CMainFrame::createPopupMenu() {
    // Every toolbar with a check mark that shows or hides it, then Customize.
    QMenu* menu = QMainWindow::createPopupMenu();
    if (!menu) menu = new QMenu(this);
    menu->addSeparator();
    menu->addAction(actions_[command::Customize]);
    return menu;
}

QList<QAction*> CMainFrame::menuCommands() const {
    QList<QAction*> commands;
    for (QAction* top : menuBar()->actions()) {
        if (!top->menu()) continue;
        for (QAction* a : top->menu()->actions()) {
            const int id = a->data().toInt();
            const bool recent = id >= command::FirstRecentFile && id < command::FirstRecentFile + kMaxRecentFiles;
            if (id != 0 && !recent && action(id) == a) commands << a;
        }
    }
    commands << actions_.at(command::FilePrint);
    return commands;
}

void CMainFrame::showSelection() {
    const RemoteInfo* info = findRemote(view_->state().remoteKind);
    if (QAction* checked = info ? action(info->commandId) : nullptr) checked->setChecked(true);
}

void CMainFrame::showDocumentTitle(const QString& title) { setWindowTitle(title + QStringLiteral(" - Orvalinder")); }

void CMainFrame::newDocument() { document_.onNewDocument(); }

bool CMainFrame::openDocument(const QString& path) {
    QString error;
    if (!document_.openDocument(path, &error)) {
        platform_.boxes.show(this, error, MessageIcon::Stop);
        return false;
    }
    rememberRecentFile(document_.path());
    return true;
}

void CMainFrame::saveDocument() {
    if (document_.untitled()) {
        saveDocumentAs();
        return;
    }
    QString error;
    if (!document_.saveDocument(document_.path(), &error)) platform_.boxes.show(this, error, MessageIcon::Stop);
}

void CMainFrame::saveDocumentAs() {
    QString path = platform_.files.saveFile(this, QStringLiteral("Save As"), kDocumentFilter);
    if (path.isEmpty()) return;
    // Without it the Open dialog's filter would hide the file.
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".txt");
    QString error;
    if (!document_.saveDocument(path, &error)) {
        platform_.boxes.show(this, error, MessageIcon::Stop);
        return;
    }
    rememberRecentFile(document_.path());
}

void CMainFrame::rememberRecentFile(const QString& path) {
    recentFiles_.removeAll(path);
    recentFiles_.prepend(path);
    while (recentFiles_.size() > kMaxRecentFiles) recentFiles_.removeLast();
    storeRecentFiles();
}

void CMainFrame::forgetRecentFile(const QString& path) {
    recentFiles_.removeAll(path);
    storeRecentFiles();
}

void CMainFrame::storeRecentFiles() {
    for (int i = 0; i < kMaxRecentFiles; ++i) {
        if (i < recentFiles_.size())
            state_.setValue(kRecentKey.arg(i + 1), recentFiles_[i]);
        else
            state_.remove(kRecentKey.arg(i + 1));
    }
    showRecentFiles();
}

void CMainFrame::showRecentFiles() {
    qDeleteAll(recentActions_);
    recentActions_.clear();
    recentPlaceholder_->setVisible(recentFiles_.isEmpty());
    recentPlaceholder_->setEnabled(false);
    for (int i = 0; i < recentFiles_.size(); ++i) {
        const QString path = recentFiles_[i];
        auto* entry = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path)), fileMenu_);
        entry->setData(command::FirstRecentFile + i);
        connect(entry, &QAction::triggered, this, [this, path] {
            if (!openDocument(path) && !QFileInfo::exists(path)) forgetRecentFile(path);
        });
        fileMenu_->insertAction(recentPlaceholder_, entry);
        recentActions_ << entry;
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    toolBars_->save(state_);
    state_.setValue(QStringLiteral("Workspace/Geometry"), saveGeometry());
    state_.setValue(QStringLiteral("Workspace/State"), saveState());
    state_.sync();
    QMainWindow::closeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) openDocument(urls.first().toLocalFile());
}

}  // namespace orvalinder

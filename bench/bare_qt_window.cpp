// What window_bench compares the program's start with: the frame every
// program of its kind pays for, a main window the program's size with six
// menus of a few items, a toolbar of eight of the style's icons and a status
// bar. With --widget, the smallest window Qt opens: a bare QWidget.

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--widget") == 0) {
        QWidget window;
        window.resize(1000, 940);
        window.show();
        return app.exec();
    }

    QMainWindow window;
    const char* const menus[][5] = {
        {"&File", "&New\tCtrl+N", "&Open...\tCtrl+O", "&Save\tCtrl+S", "E&xit"},
        {"&Edit", "&Undo\tCtrl+Z", "Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V"},
        {"&View", "&Toolbar", "&Status Bar", "Zoom &In", "Zoom &Out"},
        {"&Go", "&Back", "&Forward", "&Home", "&Reload"},
        {"&Tools", "&Settings...", "&Record", "&Convert...", "&Open folder"},
        {"&Help", "&Contents", "&Index", "&What's new", "&About..."},
    };
    for (const auto& menu : menus) {
        QMenu* added = window.menuBar()->addMenu(QString::fromUtf8(menu[0]));
        for (int item = 1; item < 5; ++item) added->addAction(QString::fromUtf8(menu[item]));
    }
    QToolBar* tools = window.addToolBar(QStringLiteral("Standard"));
    for (const QStyle::StandardPixmap icon :
         {QStyle::SP_FileIcon, QStyle::SP_DialogOpenButton, QStyle::SP_DialogSaveButton, QStyle::SP_TrashIcon,
          QStyle::SP_ArrowBack, QStyle::SP_ArrowForward, QStyle::SP_BrowserReload, QStyle::SP_DialogHelpButton})
        tools->addAction(window.style()->standardIcon(icon), QString());
    window.setCentralWidget(new QWidget);
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    window.resize(1000, 940);
    window.show();
    return app.exec();
}

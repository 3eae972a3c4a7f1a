// Saves pictures of the window as a user sees it: each remote, the click
// areas, the IR Monitor with bars, the dialogs, and every icon at every size
// it is drawn in. Usage: orvalinder-screenshots DIR

#include <QAbstractItemView>
#include <QDateTime>
#include <QTreeView>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMetaProperty>
#include <QToolBar>
#include <QMouseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProgressBar>

#include "app/dialogs/about_dlg.h"
#include "app/dialogs/com_settings_dlg.h"
#include "app/dialogs/dialog_areas.h"
#include "app/dialogs/dialog_convert.h"
#include "app/dialogs/find_code_dlg.h"
#include "app/dialogs/flash_dlg.h"
#include "app/dialogs/home_assistant_dlg.h"
#include "app/dialogs/import_codes_dlg.h"
#include "app/dialogs/learn_dlg.h"
#include "app/dialogs/link_key_dlg.h"
#include "app/dialogs/save_key_dlg.h"
#include "codes/encoder.h"
#include "codes/mode2.h"
#include "codes/protocols.h"
#include "app/dialogs/toolbars_customize_dlg.h"
#include "app/offscreen_frame.h"
#include "core/commands.h"
#include "core/picture_geometry.h"
#include "core/remote_catalogue.h"
#include "core/view_layout.h"
#include "resources/icons.h"
#include "resources/pictures.h"
#include "serial/firmware_version.h"

using namespace orvalinder;

namespace {

// No ports: the screenshots show what a search found without one.
class NoPorts : public PortLister {
public:
    std::vector<PortDescription> ports() const override { return {}; }
    bool exists(const std::string&) const override { return false; }
};

QString shown(const QVariant& value, const QMetaProperty& property) {
    if (property.isEnumType()) return QString::fromLatin1(property.enumerator().valueToKeys(value.toInt()));
    if (value.canConvert<QString>()) return value.toString().replace('\n', QStringLiteral("\\n"));
    if (value.typeId() == QMetaType::QSize)
        return QStringLiteral("%1x%2").arg(value.toSize().width()).arg(value.toSize().height());
    return QString::fromLatin1(value.typeName());
}

// What a dialog holds that its picture does not show: each widget's own
// properties (texts, ranges, tooltips, defaults), the lists' items and data,
// the sizes set on it. A fault that leaves the pixels alone changes this.
QString described(const QWidget& widget, int depth = 0) {
    QString line = QString(depth * 2, ' ') + QString::fromLatin1(widget.metaObject()->className());
    if (!widget.objectName().isEmpty() && !widget.objectName().startsWith(QLatin1String("qt_")))
        line += " #" + widget.objectName();
    const QMetaObject* meta = widget.metaObject();
    for (int i = QWidget::staticMetaObject.propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        const bool own = i >= QWidget::staticMetaObject.propertyCount();
        static const QStringList kept = {"enabled",     "toolTip",     "windowTitle",    "minimumSize",
                                         "maximumSize", "focusPolicy", "windowModality", "accessibleName"};
        if (!own && !kept.contains(QString::fromLatin1(property.name()))) continue;
        if (!property.isReadable() || (!own && !property.isDesignable())) continue;
        const QString value = shown(property.read(&widget), property);
        if (!own && (value.isEmpty() || value == "true" || value == "0x0" || value == "16777215x16777215" ||
                     value == "NoFocus" || value == "NonModal"))
            continue;
        line += QStringLiteral(" %1=%2").arg(QString::fromLatin1(property.name()), value);
    }
    if (!widget.isVisibleTo(widget.window())) line += " hidden";
    if (const auto* box = qobject_cast<const QComboBox*>(&widget))
        for (int i = 0; i < box->count(); ++i)
            line += QStringLiteral("\n%1  item %2 = %3")
                        .arg(QString(depth * 2, ' '), box->itemText(i), box->itemData(i).toString());
    if (const auto* view = qobject_cast<const QAbstractItemView*>(&widget); view && view->model())
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < view->model()->columnCount(); ++column)
                cells << view->model()->index(row, column).data().toString();
            line += QStringLiteral("\n%1  row %2").arg(QString(depth * 2, ' '), cells.join(QStringLiteral(" | ")));
        }
    line += '\n';
    for (const QObject* child : widget.children())
        if (const auto* inner = qobject_cast<const QWidget*>(child); inner && !inner->isWindow())
            line += described(*inner, depth + 1);
    return line;
}

// The menus' commands as a list: text, shortcut, state and tips.
QString commandsOf(const QMainWindow& frame) {
    QString list;
    for (const QAction* menu : frame.menuBar()->actions()) {
        list += menu->text() + '\n';
        for (const QAction* a : menu->menu()->actions())
            list += a->isSeparator() ? QStringLiteral("  -\n")
                                     : QStringLiteral("  %1 | %2 |%3%4%5 | %6 | %7\n")
                                           .arg(a->text(), a->shortcut().toString(),
                                                a->isEnabled() ? QString() : QStringLiteral(" disabled"),
                                                a->isCheckable() ? QStringLiteral(" checkable") : QString(),
                                                a->isChecked() ? QStringLiteral(" checked") : QString(), a->statusTip(),
                                                a->toolTip());
    }
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(appIcon());  // as the program sets it
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvalinder-screenshots DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    OffscreenFrame window;
    CMainFrame& frame = window.frame;
    frame.resize(1000, 900);
    frame.show();
    auto save = [&](const char* name) {
        QApplication::processEvents();
        frame.grab().save(dir + "/" + QString::fromLatin1(name) + ".png");
    };
    auto saveText = [&](const char* name, const QString& text) {
        QFile file(dir + "/" + QString::fromLatin1(name) + ".txt");
        if (file.open(QIODevice::WriteOnly)) file.write(text.toUtf8());
    };
    // The window's widgets and commands, as it opens and once the user has a toolbar of his own.
    auto describeWindow = [&](const char* name) { saveText(name, described(frame) + commandsOf(frame)); };
    describeWindow("window");
    COrvalinderView* view = frame.view();
    const std::pair<RemoteKind, const char*> remotes[] = {
        {Panasonic, "panasonic"}, {SkySky, "sky"}, {SkyTv, "sky-tv"}, {Technika, "technika"}};
    for (const auto& [kind, name] : remotes) {
        view->selectRemote(kind);
        save(name);
    }
    // Power clicked before the board is connected, as a new user may.
    view->selectRemote(Panasonic);
    const AreaRect power = areaRect(clickAreas(Panasonic)[0], view->state().geometry);
    const QPointF onPower((power.left + power.right) / 2, (power.top + power.bottom) / 2);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, onPower, view->mapToGlobal(onPower), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {});
        QApplication::sendEvent(view, &click);
    }
    save("panasonic-clicked");
    view->status().reset();

    view->state().clickAreasShown = true;
    view->selectRemote(Technika);
    save("technika-click-areas");
    view->selectRemote(Panasonic);
    save("panasonic-click-areas");

    // The click areas stay switched on: the IR Monitor has none to show.
    view->selectRemote(IrMonitor);
    ViewState& s = view->state();
    view->status().change([&s](StatusLines& status) {
        s.monitorLines.store("9000\t4500\t560\t1690\t560\t560\t560\t1690\t560\t1690x", status);
        s.monitorLines.store("9000\t4500\t560\t560\t560\t1690\t560\t560\t560\t1690\t560\t560x", status);
        s.monitorLines.store("60\t30\t120\t60x", status);  // bars of a pixel, of none, of two
        s.monitorLines.showValueLine("CODE:20DF10EF", status);
    });
    save("ir-monitor");
    view->state().clickAreasShown = false;

    // The capture log beside the bars: three keys heard, one of them held,
    // a remote of no protocol the program knows, chosen and drawn; then two
    // Panasonic frames compared, and a capture opened.
    CCapturePanel* captures = view->capturePanel();
    std::chrono::microseconds heardAt{0};
    captures->setClock(QDateTime(QDate(2026, 3, 14), QTime(20, 15, 0)), [&heardAt] { return heardAt; });
    const auto hear = [&](std::vector<uint32_t> durations, int afterMs) {
        heardAt += std::chrono::milliseconds(afterMs);
        captures->hear(std::move(durations));
    };
    const auto frameOf = [](codes::Protocol protocol, uint64_t value) {
        const uint64_t code = codes::remoteCode({protocol, value});
        return codes::encode(codes::protocolRemote(protocol), codes::Key{"K", {code}, {}}).press;
    };
    std::vector<uint32_t> raw = {8400, 4200};
    for (int bit = 15; bit >= 0; --bit) raw.insert(raw.end(), {526, (0xA55Au >> bit & 1) ? 1578u : 526u});
    raw.push_back(526);
    hear(frameOf(codes::Protocol::Nec, 0x20DF10EF), 4200);
    hear(frameOf(codes::Protocol::Nec, 0x20DF40BF), 2100);
    for (int i = 0; i < 6; ++i) hear({9000, 2250, 560}, 108);
    hear(raw, 1800);
    hear(frameOf(codes::Protocol::Panasonic, 0x400401181234), 3000);
    hear(frameOf(codes::Protocol::Panasonic, 0x400401191234), 2500);
    QAbstractItemModel* rows = captures->list()->model();
    QElapsedTimer listed;
    listed.start();
    while (rows->rowCount() < 5 && listed.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    captures->list()->setCurrentIndex(rows->index(2, 0));
    save("capture-log");
    captures->list()->selectionModel()->select(rows->index(1, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
    captures->list()->selectionModel()->select(rows->index(2, 0),
                                               QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    captures->list()->selectionModel()->select(rows->index(0, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
    save("capture-compare");
    const QString capture = window.config.path() + QStringLiteral("/living-room.txt");
    QFile mode2(capture);
    mode2.open(QIODevice::WriteOnly);
    mode2.write(codes::writeMode2({{frameOf(codes::Protocol::Samsung32, 0xE0E040BF), 46000},
                                   {frameOf(codes::Protocol::Rc5, 0x140C), 90000},
                                   {frameOf(codes::Protocol::Sirc12, 0xA90), 25000},
                                   {frameOf(codes::Protocol::Sirc12, 0xA90), 25000},
                                   {frameOf(codes::Protocol::Sirc12, 0xA90), 500000}})
                    .c_str());
    mode2.close();
    captures->openCapture(capture);
    captures->list()->setCurrentIndex(rows->index(1, 0));
    save("capture-opened");

    // The recorder after its first click, from the Tools menu as a user starts it.
    view->status().reset();
    view->selectRemote(Panasonic);
    view->directory = [d = window.config.path().toStdString()] { return std::optional(d); };
    frame.action(command::RecordButtonLocations)->trigger();
    QApplication::processEvents();
    const QPointF onPicture(layout::PictureXOffset + 50, 100);
    QMouseEvent press(QEvent::MouseButtonPress, onPicture, view->mapToGlobal(onPicture), Qt::LeftButton, Qt::LeftButton,
                      {});
    QApplication::sendEvent(view, &press);
    save("recorder");

    auto saveDialog = [&](QWidget& dialog, const char* name) {
        dialog.show();
        QApplication::processEvents();
        dialog.grab().save(dir + "/" + QString::fromLatin1(name) + ".png");
        saveText(name, described(dialog));
    };
    // A board as this machine would list it.
    CComSettingsDlg comSettings(window.quiet, window.store, {{"/dev/ttyACM0", "Arduino Uno"}, {"/dev/ttyUSB0", ""}});
    auto* port = comSettings.findChild<QComboBox*>(QStringLiteral("comPort"));
    port->setCurrentIndex(port->findText(QStringLiteral("/dev/ttyACM0 (Arduino Uno)")));
    saveDialog(comSettings, "dialog-com-settings");
    port->showPopup();
    QApplication::processEvents();
    port->view()->scrollToBottom();
    QApplication::processEvents();
    port->view()->window()->grab().save(dir + "/dialog-com-settings-list.png");
    port->hidePopup();

    // Find board has found the board.
    NoPorts noPorts;
    window.connection.lookAfterBoard(noPorts);
    CComSettingsDlg findBoard(window.quiet, window.store, {{"/dev/ttyACM0", "Arduino Uno"}, {"/dev/ttyUSB0", ""}},
                              nullptr, &window.connection);
    emit window.connection.searchFinished(QStringLiteral("/dev/ttyACM0"), QStringLiteral("1.1"), QString());
    saveDialog(findBoard, "dialog-com-settings-found");
    findBoard.hide();

    // The firmware half written: avrdude's output as it gives it, from a
    // stand-in that stops there.
    const QString avrdude = window.config.path() + QStringLiteral("/avrdude");
    QFile script(avrdude);
    script.open(QIODevice::WriteOnly);
    script.write(
        "#!/bin/sh\n"
        "printf 'avrdude: AVR device initialized and ready to accept instructions\\n'\n"
        "printf 'avrdude: device signature = 0x1e950f (probably m328p)\\n'\n"
        "printf 'avrdude: writing 17906 bytes flash ...\\n\\n'\n"
        "printf 'Writing | ################################################## | 100%% 2.28s\\n\\n'\n"
        "printf 'avrdude: verifying flash memory against IrBridge.hex\\n\\n'\n"
        "printf 'Reading | ############'\n"
        "exec cat\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    CFlashDlg flash(QStringLiteral("/dev/ttyACM0"), QStringLiteral("/usr/share/orvalinder/firmware/IrBridge.hex"));
    flash.program = avrdude;
    flash.show();
    flash.start();
    auto* progress = flash.findChild<QProgressBar*>();
    QElapsedTimer waited;
    waited.start();
    while (progress->value() < 62 && waited.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    saveDialog(flash, "dialog-flash");
    flash.reject();  // stops the stand-in
    while (flash.running() && waited.elapsed() < 15000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    flash.hide();

    // As a user with a board, irsend and Home Assistant sees it.
    const QString homeAssistantState = QStringLiteral(
        "Home Assistant: connected to mqtt://homeassistant.local:1883, base topic orvalinder/livingroom-ttyACM0");
    CAboutDlg about(nullptr, QStringLiteral("/run/user/1000/orvalinder/lircd"),
                    QString::fromStdString(firmwareNote(FirmwareCheck::Current, kExpectedFirmware)),
                    homeAssistantState);
    saveDialog(about, "dialog-about");
    CDialogConvert convert(window.quiet, window.quiet);
    saveDialog(convert, "dialog-swap-bits");
    bool shown = false;
    CDialogAreas areas(shown);
    saveDialog(areas, "dialog-click-areas");
    mqtt::MqttSettings homeAssistant;
    homeAssistant.enabled = true;
    homeAssistant.url = "mqtt://homeassistant.local:1883";
    homeAssistant.user = "orvalinder";
    homeAssistant.password = "password";
    CHomeAssistantDlg homeAssistantDialog(window.quiet, homeAssistant, QStringLiteral("orvalinder/livingroom-ttyACM0"),
                                          homeAssistantState);
    saveDialog(homeAssistantDialog, "dialog-home-assistant");

    // Find a code as it opens, on the common brands' sets of the build tree.
    CFindCodeDlg findCode(
        window.platform, window.parts.sender, Panasonic,
        QString::fromStdString(codes::commonSetsFile(QCoreApplication::applicationDirPath().toStdString())));
    saveDialog(findCode, "dialog-find-code");

    // A TV's remote imported: the keys whose names match link at once, the
    // user puts the others on buttons of his choice.
    codes::Remote tv;
    tv.name = "living_room_tv";
    tv.bits = 16;
    tv.preDataBits = 16;
    tv.preData = 0x20DF;
    tv.header = {9000, 4500};
    tv.one = {560, 1690};
    tv.zero = {560, 560};
    tv.ptrail = 560;
    tv.repeat = {9000, 2250};
    tv.gap = 108000;
    tv.constLength = true;
    const std::pair<const char*, int> keys[] = {
        {"KEY_POWER", -1},       {"KEY_1", 46},    {"KEY_2", 47},    {"KEY_3", 48},    {"KEY_4", 49},
        {"KEY_5", 50},           {"KEY_6", 51},    {"KEY_7", 52},    {"KEY_8", 53},    {"KEY_VOLUMEUP", 30},
        {"KEY_VOLUMEDOWN", 33},  {"KEY_MUTE", 31}, {"KEY_MENU", 39}, {"KEY_EXIT", 41}, {"KEY_CHANNELUP", 32},
        {"KEY_CHANNELDOWN", 35}, {"KEY_INFO", 1},  {"KEY_EPG", 3},   {"KEY_UP", -1},   {"KEY_OK", -1},
    };
    for (size_t i = 0; i < std::size(keys); ++i) tv.keys.push_back({keys[i].first, {0x10EF + i * 0x0101}, {}});
    window.codes.addRemotes({tv});
    view->state().recording = false;
    view->status().reset();
    view->selectRemote(Panasonic);
    window.codes.changeLinks([&](ButtonLinks& links) {
        for (const auto& [index, key] : matchByName(links, Panasonic, {tv})) links.setLink(Panasonic, index, key);
        for (const auto& [key, index] : keys)
            if (index >= 0) links.setLink(Panasonic, index, {tv.name, key});
    });
    CImportCodesDlg import(QStringLiteral("living_room_tv.lircd.conf"), {tv}, ButtonLinks(), Panasonic, &frame);
    saveDialog(import, "dialog-import-codes");
    import.hide();
    CLinkKeyDlg link({tv}, LinkedKey{tv.name, "KEY_INFO"}, &frame);
    saveDialog(link, "dialog-link-key");
    link.hide();
    CSaveKeyDlg saveKey({QString::fromStdString(tv.name)}, QStringLiteral("NEC:20DF10EF"), QStringLiteral("Panasonic"),
                        &frame);
    saveDialog(saveKey, "dialog-save-key");
    saveKey.hide();
    save("panasonic-named");

    // Learning a whole remote: the button being learned is framed.
    {
        const CLearnDlg learnAll(window.connection, *view, {0, 1}, &frame);
        save("panasonic-learning");
    }
    // Learning a key: waiting, the first press heard, learned.
    {
        CLearnDlg learn(window.connection, *view, {12}, &frame);
        saveDialog(learn, "dialog-learn-waiting");
        const std::vector<uint32_t> frameHeard =
            codes::encode(codes::protocolRemote(codes::Protocol::Nec), codes::Key{"K", {0x20DF10EF}, {}}).press;
        learn.hear(frameHeard);
        saveDialog(learn, "dialog-learn-first-press");
        learn.hear(frameHeard);
        saveDialog(learn, "dialog-learn-done");
        learn.hide();
    }
    save("panasonic-learned");

    // A toolbar of the user's, made in the Customize dialog.
    QToolBar* mine = frame.toolBars()->create(QStringLiteral("Living room"));
    frame.toolBars()->setCommands(
        mine, {command::SelectSkyTv, command::SelectIrMonitor, ToolBars::kSeparator, command::ComSettings});
    CToolBarsCustomizeDlg customize(*frame.toolBars(), frame.menuCommands(), &frame);
    customize.setAttribute(Qt::WA_DeleteOnClose, false);
    auto* toolBarList = customize.findChild<QListWidget*>(QStringLiteral("toolBars"));
    toolBarList->setCurrentRow(1);
    saveDialog(customize, "dialog-customize");
    customize.hide();
    view->selectRemote(SkyTv);
    save("user-toolbar");
    describeWindow("user-toolbar");
    QMenu* paneMenu = frame.createPopupMenu();
    paneMenu->popup(frame.mapToGlobal(QPoint(100, 40)));
    QApplication::processEvents();
    paneMenu->grab().save(dir + "/pane-menu.png");
    delete paneMenu;

    // The icons as drawn, before Qt scales them: the toolbar's at both
    // scales in a row each, then the program's in every size.
    const ToolIcon tools[] = {ToolIcon::New,   ToolIcon::Open,  ToolIcon::Save,  ToolIcon::Cut,      ToolIcon::Copy,
                              ToolIcon::Paste, ToolIcon::Print, ToolIcon::About, ToolIcon::Customize};
    QImage sheet(640, 480, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int scale : {1, 2}) {
        int x = 0;
        for (ToolIcon icon : tools) {
            QImage image = renderToolIcon(icon, scale);
            image.setDevicePixelRatio(1);
            painter.drawImage(x, 40 * (scale - 1), image);
            x += image.width() + 4;
        }
    }
    int x = 0;
    for (int size : kAppIconSizes) {
        painter.drawImage(x, 80, renderAppIcon(size));
        x += size + 4;
    }
    // The pictures the window shows only at times: connected, recording.
    x = 0;
    for (PictureId id : {ConnectBitmap, DisconnectBitmap, StopImage}) {
        painter.drawImage(x, 345, picture(id));
        x += picture(id).width() + 4;
    }
    painter.end();
    sheet.save(dir + "/icons.png");
    return 0;
}

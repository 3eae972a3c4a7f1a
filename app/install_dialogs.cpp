#include "app/install_dialogs.h"

#include <QCoreApplication>
#include <numeric>

#include "app/dialogs/about_dlg.h"
#include "app/dialogs/com_settings_dlg.h"
#include "app/dialogs/dialog_areas.h"
#include "app/dialogs/dialog_convert.h"
#include "app/dialogs/find_code_dlg.h"
#include "app/dialogs/home_assistant_dlg.h"
#include "app/dialogs/import_codes_dlg.h"
#include "app/dialogs/learn_dlg.h"
#include "app/dialogs/link_key_dlg.h"
#include "app/dialogs/name_dlg.h"
#include "app/dialogs/save_key_dlg.h"
#include "app/dialogs/toolbars_customize_dlg.h"
#include "app/home_assistant_link.h"
#include "app/main_frame.h"

namespace orvalinder {

void installDialogs(CMainFrame& frame, Platform& platform, SettingsStore& store, HomeAssistantLink& homeAssistant,
                    mqtt::MqttSettingsFile& homeAssistantSettings) {
    QObject::connect(&frame, &CMainFrame::comSettingsRequested, &frame, [&frame, &platform, &store] {
        CComSettingsDlg dialog(platform.boxes, store, serialDevicesFound(), &frame, &frame.view()->connection());
        dialog.exec();
    });
    QObject::connect(
        &frame, &CMainFrame::homeAssistantRequested, &frame,
        [&frame, &platform, &homeAssistant, &homeAssistantSettings] {
            CHomeAssistantDlg dialog(platform.boxes, homeAssistant.settings(),
                                     QString::fromStdString(homeAssistant.defaultBaseTopic()),
                                     homeAssistant.stateText(), &frame);
            if (dialog.exec() != QDialog::Accepted) return;
            if (!homeAssistantSettings.save(dialog.settings()))
                platform.boxes.show(
                    &frame, QStringLiteral("The settings could not be saved in %1.").arg(homeAssistantSettings.path()),
                    MessageIcon::Stop);
            homeAssistant.apply(dialog.settings());
        });
    QObject::connect(&frame, &CMainFrame::showClickAreasRequested, &frame, [&frame] {
        CDialogAreas dialog(frame.view()->state().clickAreasShown, &frame);
        dialog.exec();
    });
    QObject::connect(&frame, &CMainFrame::swapBitsRequested, &frame, [&frame, &platform] {
        CDialogConvert dialog(platform.boxes, platform.files, &frame);
        dialog.exec();
    });
    QObject::connect(&frame, &CMainFrame::customizeRequested, &frame, [&frame] {
        // Modeless: the frame stays usable while the user arranges it.
        auto* dialog = new CToolBarsCustomizeDlg(*frame.toolBars(), frame.menuCommands(), &frame);
        dialog->show();
    });
    QObject::connect(&frame, &CMainFrame::importCodesRequested, &frame, [&frame, &platform](const QString& path) {
        COrvalinderView* view = frame.view();
        importCodes(&frame, platform, view->codes(), view->state().remoteKind, path);
    });
    QObject::connect(&frame, &CMainFrame::exportCodesRequested, &frame,
                     [&frame, &platform] { exportCodes(&frame, platform, frame.view()->codes()); });
    COrvalinderView* view = frame.view();
    QObject::connect(view, &COrvalinderView::learnButtonRequested, view, [&frame, &platform, view](int index) {
        learnButtons(&frame, platform, view->connection(), *view, {index});
    });
    QObject::connect(view, &COrvalinderView::nameButtonRequested, view, [&frame, &platform, view](int index) {
        nameButton(&frame, platform, view->codes(), view->state().remoteKind, index);
    });
    QObject::connect(view, &COrvalinderView::linkButtonRequested, view, [&frame, &platform, view](int index) {
        linkButton(&frame, platform, view->codes(), view->state().remoteKind, index);
    });
    QObject::connect(view->capturePanel(), &CCapturePanel::saveAsKeyRequested, view,
                     [&frame, &platform, view](quint64 id) {
                         // A copy: the log goes on taking frames while the dialog is open.
                         if (const codes::CaptureRow* row = view->capturePanel()->log().find(id))
                             saveCaptureAsKey(&frame, platform, *view, codes::CaptureRow(*row));
                     });
    QObject::connect(&frame, &CMainFrame::learnRemoteRequested, &frame, [&frame, &platform, view] {
        std::vector<int> all(clickAreas(view->state().remoteKind).size());
        std::iota(all.begin(), all.end(), 0);
        learnButtons(&frame, platform, view->connection(), *view, all);
    });
    QObject::connect(&frame, &CMainFrame::findCodeRequested, &frame, [&frame, &platform, view] {
        const std::string sets = codes::commonSetsFile(QCoreApplication::applicationDirPath().toStdString());
        CFindCodeDlg dialog(platform, view->sender(), view->state().remoteKind, QString::fromStdString(sets), &frame);
        dialog.exec();
    });
    QObject::connect(&frame, &CMainFrame::aboutRequested, &frame, [&frame, view, &homeAssistant] {
        const QString board =
            view->connection().connected() ? QString::fromStdString(view->state().connectButtonTip) : QString();
        CAboutDlg dialog(&frame, frame.listeningAt, board, homeAssistant.stateText());
        dialog.exec();
    });
}

}  // namespace orvalinder

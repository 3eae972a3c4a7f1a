#include "app/install_dialogs.h"

#include <numeric>

#include "app/dialogs/about_dlg.h"
#include "app/dialogs/com_settings_dlg.h"
#include "app/dialogs/dialog_areas.h"
#include "app/dialogs/dialog_convert.h"
#include "app/dialogs/import_codes_dlg.h"
#include "app/dialogs/learn_dlg.h"
#include "app/dialogs/link_key_dlg.h"
#include "app/dialogs/name_dlg.h"
#include "app/dialogs/toolbars_customize_dlg.h"
#include "app/main_frame.h"

namespace orvalinder {

void installDialogs(CMainFrame& frame, Platform& platform, SettingsStore& store) {
    frame.onComSettings = [&frame, &platform, &store] {
        CComSettingsDlg dialog(platform.boxes, store, serialDevicesFound(), &frame, &frame.view()->connection());
        dialog.exec();
    };
    frame.onShowClickAreas = [&frame] {
        CDialogAreas dialog(frame.view()->state().clickAreasShown, &frame);
        dialog.exec();
    };
    frame.onSwapBits = [&frame, &platform] {
        CDialogConvert dialog(platform.boxes, platform.files, &frame);
        dialog.exec();
    };
    frame.onCustomize = [&frame] {
        // Modeless: the frame stays usable while the user arranges it.
        auto* dialog = new CToolBarsCustomizeDlg(*frame.toolBars(), frame.menuCommands(), &frame);
        dialog->show();
    };
    frame.onImportCodes = [&frame, &platform](const QString& path) {
        COrvalinderView* view = frame.view();
        importCodes(&frame, platform, view->codes(), view->state().remoteKind, path);
    };
    frame.onExportCodes = [&frame, &platform] { exportCodes(&frame, platform, frame.view()->codes()); };
    COrvalinderView* view = frame.view();
    view->onLearnButton = [&frame, &platform, view](int index) {
        learnButtons(&frame, platform, view->connection(), *view, {index});
    };
    view->onNameButton = [&frame, &platform, view](int index) {
        nameButton(&frame, platform, view->codes(), view->state().remoteKind, index);
    };
    view->onLinkButton = [&frame, &platform, view](int index) {
        linkButton(&frame, platform, view->codes(), view->state().remoteKind, index);
    };
    frame.onLearnRemote = [&frame, &platform, view] {
        std::vector<int> all(clickAreas(view->state().remoteKind).size());
        std::iota(all.begin(), all.end(), 0);
        learnButtons(&frame, platform, view->connection(), *view, all);
    };
    frame.onAbout = [&frame, view] {
        const QString board =
            view->connection().connected() ? QString::fromStdString(view->state().connectButtonTip) : QString();
        CAboutDlg dialog(&frame, frame.listeningAt, board);
        dialog.exec();
    };
}

}  // namespace orvalinder

#include "app/install_dialogs.h"

#include "app/main_frame.h"

namespace orvalinder {

void installDialogs(CMainFrame&, Platform&, SettingsStore&) {}

}  // namespace orvalinder

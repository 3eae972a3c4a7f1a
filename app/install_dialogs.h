#pragma once
// Connects the menu commands that open dialogs to their dialogs.

namespace orvalinder {

class CMainFrame;
class SettingsStore;
struct Platform;

void installDialogs(CMainFrame& frame, Platform& platform, SettingsStore& store);

}  // namespace orvalinder

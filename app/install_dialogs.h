#pragma once
// Connects the menu commands that open dialogs to their dialogs.

namespace orvalinder {

namespace mqtt {
class MqttSettingsFile;
}
class CMainFrame;
class HomeAssistantLink;
class SettingsStore;
struct Platform;

void installDialogs(CMainFrame& frame, Platform& platform, SettingsStore& store, HomeAssistantLink& homeAssistant,
                    mqtt::MqttSettingsFile& homeAssistantSettings);

}  // namespace orvalinder

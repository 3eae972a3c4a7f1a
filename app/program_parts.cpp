#include "app/program_parts.h"

#include "app/install_dialogs.h"

namespace orvalinder {

ProgramParts::ProgramParts(const ProgramSeams& seams)
    : connection(seams.settings, seams.waits, KeyCodeLogger(seams.keycodeFolder)),
      codes(seams.dataFolder),
      sender(connection, codes, status),
      frame(seams.platform, sender, document, seams.state),
      lircTarget(sender),
      homeAssistantSettings(seams.homeAssistantSettings),
      homeAssistant(sender, lircTarget, seams.settings, seams.ports) {
    if (seams.ports) boardCare = new BoardCare(frame, sender, *seams.ports, seams.settings);
    installDialogs(frame, seams.platform, seams.settings, homeAssistant, homeAssistantSettings);
}

}  // namespace orvalinder

#include "app/offscreen_frame.h"

namespace orvalinder {

namespace {
// Settings must point at the temporary folder before the store is used.
QString redirected(const QTemporaryDir& config) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    return config.path() + QStringLiteral("/state.conf");
}
}  // namespace

OffscreenFrame::OffscreenFrame(BoardWaits* waits)
    : state(redirected(config), QSettings::IniFormat),
      parts(ProgramSeams{.platform = platform,
                         .settings = store,
                         .waits = waits ? *waits : realWaits,
                         .state = state,
                         .dataFolder = config.path() + QStringLiteral("/data"),
                         .keycodeFolder = [d = config.path().toStdString()] { return std::optional(d); },
                         .homeAssistantSettings = config.path() + QStringLiteral("/home-assistant.conf")}) {
    frame.newDocument();
}

}  // namespace orvalinder

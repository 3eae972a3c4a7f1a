#include "app/offscreen_frame.h"

namespace orvalinder {

namespace {
// Settings must point at the temporary folder before the store is used.
QString redirected(const QTemporaryDir& config) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    return config.path() + QStringLiteral("/state.conf");
}
}  // namespace

OffscreenFrame::OffscreenFrame()
    : state(redirected(config), QSettings::IniFormat), frame(platform, connection, codes, document, state) {
    frame.newDocument();
}

}  // namespace orvalinder

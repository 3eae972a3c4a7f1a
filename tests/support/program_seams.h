#pragma once
// The program's seams for a test: the per-user settings, the code library
// and keycodes.txt in a temporary folder, and the test's own boxes, picker,
// folder opener and waits.

#include <QSettings>
#include <QTemporaryDir>

#include "app/program_parts.h"

namespace orvalinder::testing {

// Points the per-user settings at the folder before any store reads them,
// and returns the window state's file there.
inline QString settingsIn(const QTemporaryDir& folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    return folder.path() + QStringLiteral("/state.conf");
}

inline ProgramSeams seamsIn(const QTemporaryDir& folder, Platform& platform, SettingsStore& store, BoardWaits& waits,
                            QSettings& state, PortLister* ports = nullptr) {
    return ProgramSeams{.platform = platform,
                        .settings = store,
                        .waits = waits,
                        .state = state,
                        .dataFolder = folder.path() + QStringLiteral("/data"),
                        .keycodeFolder = [d = folder.path().toStdString()] { return std::optional(d); },
                        .ports = ports,
                        .homeAssistantSettings = folder.path() + QStringLiteral("/home-assistant.conf")};
}

}  // namespace orvalinder::testing

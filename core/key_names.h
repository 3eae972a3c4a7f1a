#pragma once
// LIRC's standard key names, the ones irrecord offers when it records a
// remote: the names a button is best called by, as every LIRC tool and most
// files of codes know them.

#include <span>
#include <string_view>

namespace orvalinder {

std::span<const std::string_view> lircKeyNames();

// Whether what the user typed finds a name: a part of it, case aside, or
// a part of it as any spelling of the key ("KEY_", blanks and underscores
// aside; "vol+" finds KEY_VOLUMEUP). An empty search finds every name.
bool nameMatchesSearch(std::string_view name, std::string_view search);

}  // namespace orvalinder

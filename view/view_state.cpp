#include "view/view_state.h"

namespace orvalinder {

std::string_view ViewState::select(RemoteKind kind) {
    if (!findRemote(kind)) return title();
    remoteKind = kind;
    if (kind == IrMonitor)
        monitorLines.clear();
    else
        picture = kind;
    return title();
}

std::string_view ViewState::title() const {
    const RemoteInfo* info = findRemote(remoteKind);
    return info ? info->title : std::string_view{};
}

bool ViewState::measurePicture(int clientHeight) {
    const RemoteInfo* info = findRemote(remoteKind);
    if (!info || info->picture == NoPicture) return false;
    geometry = PictureGeometry::measured(info->pictureWidth, info->pictureHeight, clientHeight);
    return true;
}

}  // namespace orvalinder

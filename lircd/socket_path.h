#pragma once
// Where the LIRC socket lives, and the checks that keep it the user's own.
// Unix only in substance: on other systems the socket is a named pipe and
// these checks pass.

#include <QString>

namespace orvalinder::lircd {

// $XDG_RUNTIME_DIR/orvalinder/lircd (Qt's runtime folder when the variable
// is unset); "orvalinder-lircd", a pipe name, where there are no Unix sockets.
QString defaultSocketPath();

// Makes the socket's folder, mode 0700, when it is missing. Empty when the
// folder is ready; else why it is not, for the user: a folder that others
// own or may enter would let them drive the TV or put their own socket there.
QString prepareSocketFolder(const QString& socketPath);

// Whether the path names a socket file (and not, say, a file of the user's
// that a mistyped option points at, which is never replaced).
bool isSocketFile(const QString& path);

// Mode 0600: only the user may connect.
bool restrictToOwner(const QString& socketPath);

}  // namespace orvalinder::lircd

#include "sim/board_terminal.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace boardterminal {
namespace {

volatile sig_atomic_t g_stop = 0;

void onStopSignal(int) { g_stop = 1; }

int openRaw(std::string& path, int& slave) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return -1;
    const char* name = ptsname(master);
    if (name == nullptr) return -1;
    path = name;
    slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) return -1;
    // The settings belong to the terminal, not the descriptor, so clients
    // see raw bytes too.
    termios tio{};
    if (tcgetattr(slave, &tio) != 0) return -1;
    cfmakeraw(&tio);
    if (tcsetattr(slave, TCSANOW, &tio) != 0) return -1;
    if (fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0) return -1;
    fcntl(master, F_SETFD, FD_CLOEXEC);
    return master;
}

}  // namespace

int openAndAnnounce(const char* program, int& slave, int* opens) {
    std::string path;
    const int master = openRaw(path, slave);
    if (master < 0) {
        std::fprintf(stderr, "%s: cannot open a pseudo-terminal: %s\n", program, std::strerror(errno));
        return -1;
    }
    if (opens != nullptr && (*opens = watchOpens(master)) < 0) {
        std::fprintf(stderr, "%s: cannot watch the device for opens: %s\n", program, std::strerror(errno));
        ::close(master);
        return -1;
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    return master;
}

int watchOpens(int master) {
    char device[256];
    if (ptsname_r(master, device, sizeof device) != 0) return -1;
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0) return -1;
    if (inotify_add_watch(watch, device, IN_OPEN) < 0) {
        const int error = errno;
        ::close(watch);
        errno = error;
        return -1;
    }
    return watch;
}

bool takeOpens(int watch) {
    bool opened = false;
    char events[4096];
    while (::read(watch, events, sizeof events) > 0) opened = true;
    return opened;
}

sigset_t catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    return waitMask;
}

bool stopRequested() {
    if (g_stop) return true;
    sigset_t pending;
    sigpending(&pending);
    return sigismember(&pending, SIGINT) == 1 || sigismember(&pending, SIGTERM) == 1;
}

}  // namespace boardterminal

#pragma once
// A program the tests and benches run beside them: a board simulator, the
// program itself, a tool. Its standard output comes through a pipe (a
// simulator's first line is its device); its standard error and input can
// too. It is ended and reaped when it goes out of scope, so a test that
// fails leaves nothing running.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace orvalinder::testing {

using Done = std::function<bool(const std::string&)>;

inline Done contains(std::string part) {
    return [part = std::move(part)](const std::string& text) { return text.find(part) != std::string::npos; };
}

// Reads what arrives on `fd` onto `text` until done(text) holds, the time is
// up or the other end is closed; whether done(text) held.
inline bool readUntil(int fd, std::string& text, const Done& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done(text)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char bytes[4096];
        const ssize_t n = ::read(fd, bytes, sizeof bytes);
        if (n <= 0) return false;
        text.append(bytes, static_cast<size_t>(n));
    }
    return true;
}

// All that `fd` gives within `limit`, or until its other end is closed.
inline std::string readAll(int fd, std::chrono::milliseconds limit) {
    std::string text;
    readUntil(
        fd, text, [](const std::string&) { return false; }, limit);
    return text;
}

// What `fd` gives within `wait`: the first bytes to come, and whatever
// follows them at once.
inline std::string readFor(int fd, std::chrono::milliseconds wait) {
    std::string text;
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, static_cast<int>(wait.count())) > 0 && (p.revents & POLLIN)) {
        char bytes[4096];
        const ssize_t n = ::read(fd, bytes, sizeof bytes);
        if (n <= 0) break;
        text.append(bytes, static_cast<size_t>(n));
        wait = std::chrono::milliseconds(0);
    }
    return text;
}

// The serial device at `path`, a pseudo-terminal, opened with `flags` more
// and made raw, so that bytes pass unchanged; -1 when it does not open or
// will not be made raw.
inline int openRaw(const std::string& path, int flags = 0) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | flags);
    termios t{};
    if (fd >= 0 && tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        if (tcsetattr(fd, TCSANOW, &t) == 0) return fd;
    }
    if (fd >= 0) ::close(fd);
    return -1;
}

// How many times `part` stands in `text`.
inline size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// Every member has its default written out, so that designated
// initializers may leave any of them out.
struct ChildOptions {
    std::vector<std::string> environment = {};  // NAME=value, over ours
    std::string directory = {};                 // where it runs, when not here
    bool readError = false;                     // its standard error comes here, not to ours
    bool writeInput = false;                    // its standard input comes from here, not from ours
    int endSignal = SIGTERM;                    // what ends it when it goes out of scope
};

class ChildProcess {
public:
    using Options = ChildOptions;

    // Starts arguments[0], looked up in PATH when it names no folder.
    explicit ChildProcess(const std::vector<std::string>& arguments, const Options& options = {})
        : endSignal_(options.endSignal) {
        // Everything the child needs is made here: between fork and exec a
        // threaded parent's child may not allocate.
        std::vector<char*> argv;
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        std::vector<std::string> environment = options.environment;
        for (char** entry = environ; *entry; ++entry) {
            const char* equals = std::strchr(*entry, '=');
            const std::string name(*entry, equals ? static_cast<size_t>(equals - *entry + 1) : std::strlen(*entry));
            bool replaced = false;
            for (const std::string& given : options.environment) replaced = replaced || given.starts_with(name);
            if (!replaced) environment.emplace_back(*entry);
        }
        std::vector<char*> envp;
        for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);

        int out[2] = {-1, -1}, err[2] = {-1, -1}, in[2] = {-1, -1};
        makePipe(out);
        if (options.readError) makePipe(err);
        if (options.writeInput) makePipe(in);
        pid_ = fork();
        if (pid_ == 0) {
            // A test that crashes takes its simulators with it.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            dup2(out[1], STDOUT_FILENO);
            if (err[1] >= 0) dup2(err[1], STDERR_FILENO);
            if (in[0] >= 0) dup2(in[0], STDIN_FILENO);
            if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) _exit(126);
            environ = envp.data();
            execvp(argv[0], argv.data());
            _exit(127);
        }
        output_ = out[0];
        error_ = err[0];
        input_ = in[1];
        for (int end : {out[1], err[1], in[0]})
            if (end >= 0) ::close(end);
    }

    ~ChildProcess() {
        stop(endSignal_);
        for (int fd : {output_, error_, input_})
            if (fd >= 0) ::close(fd);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    int output() const { return output_; }
    int error() const { return error_; }  // -1 unless readError
    int input() const { return input_; }  // -1 unless writeInput

    // The next line of its standard output without its end, read a byte at
    // a time so that nothing after it is taken; "" when no whole line came
    // within `limit`.
    std::string readLine(std::chrono::milliseconds limit) const {
        const auto end = std::chrono::steady_clock::now() + limit;
        std::string line;
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd p{output_, POLLIN, 0};
            char c = 0;
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0 || ::read(output_, &c, 1) != 1)
                return {};
            if (c == '\n') return line;
            line += c;
        }
    }

    // Writes to its standard input; whether all of it went.
    bool write(const std::string& text) const {
        return input_ >= 0 && ::write(input_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }

    // Waits up to `limit` for it to end: its exit status (128 + the signal
    // when a signal ended it), or -1 while it runs on.
    int wait(std::chrono::milliseconds limit) {
        for (const auto end = std::chrono::steady_clock::now() + limit; pid_ > 0;) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            } else if (std::chrono::steady_clock::now() >= end) {
                break;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return status_;
    }

    bool running() { return wait(std::chrono::milliseconds(0)) < 0 && pid_ > 0; }

    // Sends it `signal` and waits for its end, killing it when it is still
    // there after five seconds: its exit status.
    int stop(int signal = SIGTERM) {
        if (pid_ <= 0) return status_;
        kill(pid_, signal);
        if (wait(std::chrono::seconds(5)) < 0) {
            kill(pid_, SIGKILL);
            wait(std::chrono::seconds(5));
        }
        return status_;
    }

private:
    // Neither end passes to a child: each gets only its own ends, as copies.
    static void makePipe(int ends[2]) {
        if (pipe(ends) != 0) return;
        fcntl(ends[0], F_SETFD, FD_CLOEXEC);
        fcntl(ends[1], F_SETFD, FD_CLOEXEC);
    }

    pid_t pid_ = -1;
    int status_ = -1;
    int endSignal_;
    int output_ = -1;
    int error_ = -1;
    int input_ = -1;
};

// A board simulator, `program` run with `options`: its first line names the
// device it made, "" when none came.
class Simulator : public ChildProcess {
public:
    Simulator(const std::string& program, std::vector<std::string> options, const Options& with = {.readError = true})
        : ChildProcess(prepended(program, std::move(options)), with), device(readLine(std::chrono::seconds(10))) {}

    bool ok() const { return device.starts_with("/dev/"); }

    const std::string device;

private:
    static std::vector<std::string> prepended(const std::string& program, std::vector<std::string> options) {
        options.insert(options.begin(), program);
        return options;
    }
};

// The durations of a frame irbridge-avr printed ("sent NEC:20DF10EF 37915
// Hz: 8999 4499 ..."), `hz` at its " Hz:".
inline std::vector<uint32_t> durationsAt(const std::string& printed, size_t hz) {
    std::istringstream line(printed.substr(hz + 4, printed.find('\n', hz) - hz - 4));
    return {std::istream_iterator<uint32_t>(line), std::istream_iterator<uint32_t>()};
}

}  // namespace orvalinder::testing

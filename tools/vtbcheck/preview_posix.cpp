// The preview on Linux: vtbpreview.exe under Wine, in a Wine prefix of the
// checker's own, on a private Xvfb display when no display is set. Nothing
// it starts outlives it: the prefix's wineserver and the Xvfb server are
// stopped at the end, also after a failure or an interrupt.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tools/vtbcheck/preview.h"

extern char** environ;

namespace vtbcheck {
namespace fs = std::filesystem;

namespace {

constexpr int kPreviewSeconds = 120;
constexpr int kPrefixSeconds = 300;  // a new Wine prefix takes a while
constexpr int kXvfbSeconds = 15;
// Wide enough for seventeen link buttons and tall menus, at 96 DPI.
constexpr int kScreenWidth = 1800;
constexpr int kScreenHeight = 1200;
constexpr int kDesignDpi = 96;

volatile std::sig_atomic_t interrupted = 0;

void OnSignal(int) { interrupted = 1; }

// Catches the usual ways to stop a program while children run, so that
// they are stopped too; the old handlers come back afterwards.
class SignalGuard {
public:
    SignalGuard() {
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &old_[i]);
    }
    ~SignalGuard() {
        for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &old_[i], nullptr);
    }
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction old_[3]{};
};

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

using Environment = std::map<std::string, std::string>;

Environment CurrentEnvironment() {
    Environment env;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry = *e;
        const std::size_t equals = entry.find('=');
        if (equals != std::string::npos) env[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
    return env;
}

// A child process in a process group of its own, so that it and whatever it
// starts can be stopped together.
class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { Stop(); }

    // Output goes to logFd (or nowhere); keepFd stays open in the child.
    bool Start(const std::vector<std::string>& args, const Environment& env, const fs::path& dir, int logFd,
               int keepFd = -1) {
        std::vector<std::string> envText;
        for (const auto& [name, value] : env) envText.push_back(name + "=" + value);
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& entry : envText) envp.push_back(entry.data());
        envp.push_back(nullptr);

        pid_ = fork();
        if (pid_ < 0) {
            pid_ = 0;
            return false;
        }
        if (pid_ == 0) {
            setpgid(0, 0);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(logFd >= 0 ? logFd : null, 1);
            dup2(logFd >= 0 ? logFd : null, 2);
            for (int fd = 3; fd < 1024; ++fd) {
                if (fd != keepFd) close(fd);
            }
            if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
            execvpe(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        setpgid(pid_, pid_);
        return true;
    }

    // The exit status, or -1 after the time ran out or an interrupt.
    int Wait(int seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (pid_ > 0) {
            int status = 0;
            const pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = 0;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (done < 0 && errno != EINTR) {
                pid_ = 0;
                return -1;
            }
            if (interrupted || std::chrono::steady_clock::now() > end) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

    // Ends the child's process group: politely, then for good.
    void Stop() {
        if (pid_ <= 0) return;
        kill(-pid_, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = 0;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = 0;
};

// A private X display, for as long as the object lives.
class Xvfb {
public:
    // A screen large enough for the toolbar at dpi.
    bool Start(int logFd, int dpi) {
        const std::string screen = std::to_string(kScreenWidth * dpi / kDesignDpi) + "x" +
                                   std::to_string(kScreenHeight * dpi / kDesignDpi) + "x24";
        int fds[2];
        if (pipe(fds) != 0) return false;
        const bool started = server_.Start({Env("VTBCHECK_XVFB").empty() ? "Xvfb" : Env("VTBCHECK_XVFB"), "-displayfd",
                                            std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp"},
                                           CurrentEnvironment(), fs::path(), logFd, fds[1]);
        close(fds[1]);
        // Xvfb writes its display number when it is ready.
        std::string number;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(kXvfbSeconds);
        while (started && !interrupted && std::chrono::steady_clock::now() < end) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        if (number.empty()) {
            server_.Stop();
            return false;
        }
        display_ = ":" + number;
        return true;
    }

    const std::string& Display() const { return display_; }
    pid_t Pid() const { return server_.Pid(); }

private:
    Child server_;
    std::string display_;
};

// The checker's own Wine prefix: made at first use and kept, so that only
// the first preview pays for it. One preview at a time uses it.
fs::path WinePrefix() {
    if (const std::string prefix = Env("VTBCHECK_WINEPREFIX"); !prefix.empty()) return fs::absolute(prefix);
    fs::path cache = Env("XDG_CACHE_HOME");
    if (cache.empty()) cache = fs::path(Env("HOME").empty() ? "/tmp" : Env("HOME")) / ".cache";
    return cache / "vtbcheck" / "wineprefix";
}

class PrefixLock {
public:
    explicit PrefixLock(const fs::path& prefix) {
        const fs::path lockFile = prefix.string() + ".lock";
        fd_ = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) return;
        if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            std::cerr << "vtbcheck: waiting for another preview that uses " << prefix.string() << "\n";
            while (flock(fd_, LOCK_EX) != 0 && errno == EINTR && !interrupted) {
            }
        }
    }
    ~PrefixLock() {
        if (fd_ >= 0) close(fd_);
    }
    PrefixLock(const PrefixLock&) = delete;
    PrefixLock& operator=(const PrefixLock&) = delete;

private:
    int fd_ = -1;
};

// Runs a Wine command to its end; its output goes to the log.
int RunWine(const std::vector<std::string>& args, const Environment& env, const fs::path& dir, int logFd, int seconds) {
    Child child;
    if (!child.Start(args, env, dir, logFd)) return -1;
    const int status = child.Wait(seconds);
    child.Stop();
    return status;
}

void ShowLog(const fs::path& log) {
    std::ifstream in(log);
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(in, line)) lines.push_back(line);
    const std::size_t from = lines.size() > 20 ? lines.size() - 20 : 0;
    for (std::size_t i = from; i < lines.size(); ++i) std::cerr << "  wine: " << lines[i] << "\n";
}

}  // namespace

fs::path ProgramPath(const char* argv0) {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::absolute(argv0) : self;
}

bool RunPreviewProgram(const fs::path& stage, const std::string& menu, int dpi) {
    if (!dpi) dpi = kDesignDpi;
    SignalGuard signals;
    const fs::path logPath = stage / "wine.log";
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);

    const fs::path prefix = WinePrefix();
    std::error_code ec;
    fs::create_directories(prefix.parent_path(), ec);
    PrefixLock lock(prefix);

    Environment env = CurrentEnvironment();
    env["WINEPREFIX"] = prefix.string();
    env["WINEARCH"] = "win32";
    env["WINEDEBUG"] = "-all";
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml=";  // no .NET or HTML engine installers
    const std::string wine = Env("VTBCHECK_WINE").empty() ? "wine" : Env("VTBCHECK_WINE");
    const std::string wineserver = Env("VTBCHECK_WINESERVER").empty() ? "wineserver" : Env("VTBCHECK_WINESERVER");

    Xvfb xvfb;
    if (Env("DISPLAY").empty() || Env("VTBCHECK_OWN_DISPLAY") == "1") {
        if (!xvfb.Start(log, dpi)) {
            std::cerr << "vtbcheck: could not start Xvfb (is it installed?)\n";
            close(log);
            return false;
        }
        env["DISPLAY"] = xvfb.Display();
    }
    if (Env("VTBCHECK_VERBOSE") == "1")
        std::cerr << "vtbcheck: Wine prefix " << prefix.string() << ", display " << env["DISPLAY"]
                  << (xvfb.Pid() > 0 ? " (Xvfb, process " + std::to_string(xvfb.Pid()) + ")" : std::string()) << "\n";

    bool ok = true;
    if (!fs::exists(prefix / "system.reg")) {
        std::cerr << "vtbcheck: making the Wine prefix " << prefix.string() << " (once)\n";
        ok = RunWine({wine, "wineboot", "-i"}, env, stage, log, kPrefixSeconds) == 0;
        // Services started while the prefix was made start afresh with a new server.
        RunWine({wineserver, "-k"}, env, stage, log, 30);
    }
    // The display's DPI, which a Windows program reads when it starts; set
    // every time, so that no earlier preview's stays.
    if (ok && !interrupted)
        ok = RunWine({wine, "reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                      std::to_string(dpi), "/f"},
                     env, stage, log, kPrefixSeconds) == 0;
    int status = -1;
    if (ok && !interrupted) {
        std::vector<std::string> args = {wine, (stage / kPreviewName).string()};
        if (!menu.empty()) {
            args.push_back("--menu");
            args.push_back(menu);
        }
        status = RunWine(args, env, stage, log, kPreviewSeconds);
    }
    // The prefix's server, with whatever Wine left running in it.
    RunWine({wineserver, "-k"}, env, stage, log, 30);
    if (log >= 0) close(log);

    if (interrupted) {
        std::cerr << "vtbcheck: interrupted\n";
        return false;
    }
    if (status != 0) {
        std::cerr << "vtbcheck: " << kPreviewName << (status < 0 ? " did not finish in time" : " failed")
                  << " (exit status " << status << "); Wine said:\n";
        ShowLog(logPath);
        return false;
    }
    return true;
}

}  // namespace vtbcheck

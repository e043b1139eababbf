// Starting, querying, recording from and killing a private PulseAudio server.
#include "PulseServer.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

#if defined(__SANITIZE_THREAD__)
// libpulse (inside SDL, in the test's own process) synchronises its threads through
// shared-memory rings and futexes that ThreadSanitizer cannot see; its reports about its
// own buffers are noise. Nothing of ours is matched by this.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libpulse\n";
}
#endif
#if defined(__SANITIZE_ADDRESS__)
// SDL's PulseAudio hot-plug thread drops a few libpulse operation records for each sink
// event it sees (a small leak inside SDL); memory of ours never comes from libpulse.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpulse\n";
}
#endif

namespace ws::test {

namespace {

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const fs::path candidate = fs::path(dir) / name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return {};
}

} // namespace

int waitForChild(pid_t pid, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0)
            return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string PulseServer::program() {
    return findProgram("pulseaudio");
}

std::vector<std::string> PulseServer::environment() const {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        if (v.rfind("HOME=", 0) == 0 || v.rfind("XDG_RUNTIME_DIR=", 0) == 0 ||
            v.rfind("PULSE_", 0) == 0 || v.rfind("DBUS_SESSION_BUS_ADDRESS=", 0) == 0)
            continue;
        env.push_back(v);
    }
    env.push_back("HOME=" + (dir_.path() / "home").string());
    env.push_back("XDG_RUNTIME_DIR=" + (dir_.path() / "run").string());
    env.push_back("PULSE_RUNTIME_PATH=" + (dir_.path() / "run").string());
    env.push_back("PULSE_STATE_PATH=" + (dir_.path() / "state").string());
    env.push_back("PULSE_SERVER=" + address());
    return env;
}

pid_t PulseServer::spawn(const std::vector<std::string>& argv, int outFd, int errFd) const {
    // Everything the child needs is prepared before fork: after it, only exec-safe calls.
    const std::vector<std::string> env = environment();
    std::vector<char*> envp, args;
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        const int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0)
            ::dup2(null, 0);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

pid_t PulseServer::spawn(const std::vector<std::string>& argv, const fs::path& out,
                         bool errorsToo) const {
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    pid_t pid = -1;
    if (fd >= 0 && null >= 0)
        pid = spawn(argv, fd, errorsToo ? fd : null);
    if (fd >= 0)
        ::close(fd);
    if (null >= 0)
        ::close(null);
    return pid;
}

PulseServer::PulseServer(std::vector<Sink> sinks) : sinks_(std::move(sinks)) {
    start();
}

bool PulseServer::restart() {
    kill();
    error_.clear();
    std::error_code ignored;
    fs::remove(dir_.path() / "run" / "native", ignored);
    start();
    return running();
}

void PulseServer::start() {
    const std::string pulse = program();
    if (pulse.empty()) {
        error_ = "pulseaudio is not installed";
        return;
    }
    for (const char* sub : {"home", "run", "state"})
        fs::create_directories(dir_.path() / sub);
    // High priority and real-time scheduling, as a desktop starts its server.
    std::vector<std::string> argv = {pulse,
                                     "-n",
                                     "--daemonize=no",
                                     "--exit-idle-time=-1",
                                     "--disallow-exit",
                                     "--use-pid-file=no",
                                     "--system=no",
                                     "--log-target=stderr",
                                     "--high-priority=yes",
                                     "--realtime=yes",
                                     "-L",
                                     "module-native-protocol-unix auth-anonymous=1 socket=" +
                                         (dir_.path() / "run" / "native").string()};
    for (const auto& s : sinks_) {
        argv.push_back("-L");
        argv.push_back(sinkModule(s));
    }
    pid_ = spawn(argv, dir_.path() / "server.log", true);
    if (pid_ <= 0) {
        pid_ = -1;
        error_ = "cannot start pulseaudio";
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        int status;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            std::ifstream log(dir_.path() / "server.log");
            error_ = "pulseaudio ended at start: " +
                     std::string(std::istreambuf_iterator<char>(log), {});
            return;
        }
        if (fs::exists(dir_.path() / "run" / "native") && pactl({"info"}) == 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill();
    error_ = "pulseaudio did not answer within 20 s";
}

PulseServer::~PulseServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        if (waitForChild(pid_, 5.0) < 0)
            pid_ = -1;
    }
}

std::string PulseServer::sinkModule(const Sink& sink) {
    return "module-null-sink sink_name=" + sink.name + " sink_properties='device.description=\"" +
           sink.description + "\"' rate=44100 format=s16le channels=2";
}

bool PulseServer::unloadSink(const std::string& name) {
    std::string modules;
    if (pactl({"list", "short", "modules"}, &modules) != 0)
        return false;
    std::istringstream lines(modules);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find("module-null-sink") == std::string::npos ||
            line.find("sink_name=" + name + " ") == std::string::npos)
            continue;
        return pactl({"unload-module", line.substr(0, line.find_first_of(" \t"))}) == 0;
    }
    return false;
}

bool PulseServer::loadSink(const Sink& sink) {
    // pactl passes everything after the module's name on as its arguments, quotes included.
    const std::string module = sinkModule(sink);
    const auto space = module.find(' ');
    return pactl({"load-module", module.substr(0, space), module.substr(space + 1)}) == 0;
}

std::string PulseServer::address() const {
    return "unix:" + (dir_.path() / "run" / "native").string();
}

void PulseServer::useForThisProcess() const {
    ::setenv("PULSE_SERVER", address().c_str(), 1);
    ::setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
}

int PulseServer::pactl(const std::vector<std::string>& args, std::string* out) const {
    const std::string tool = findProgram("pactl");
    if (tool.empty())
        return -1;
    std::vector<std::string> argv = {tool, "--server=" + address()};
    argv.insert(argv.end(), args.begin(), args.end());
    const fs::path file = dir_.path() / ("pactl" + std::to_string(files_++) + ".out");
    const pid_t pid = spawn(argv, file, false);
    if (pid <= 0)
        return -1;
    const int status = waitForChild(pid, 10.0);
    if (out) {
        std::ifstream in(file);
        *out = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return status;
}

long PulseServer::settledStreamLatencyUs() const {
    const auto now = [this] {
        std::string out;
        long total = -1;
        if (pactl({"list", "sink-inputs"}, &out) == 0)
            for (const char* key : {"Buffer Latency: ", "Sink Latency: "})
                if (const auto at = out.find(key); at != std::string::npos)
                    total = std::max(total, 0L) + std::atol(out.c_str() + at + std::strlen(key));
        return total;
    };
    for (int wait = 0; wait < 100 && !(now() >= 0 && now() < 200000); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    long worst = now();
    for (int reading = 0; reading < 6 && worst >= 0; ++reading)
        std::this_thread::sleep_for(std::chrono::milliseconds(250)), worst = std::max(worst, now());
    return worst;
}

void PulseServer::freeze(double seconds) {
    ::kill(pid_, SIGSTOP);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    ::kill(pid_, SIGCONT);
}

void PulseServer::kill() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    waitForChild(pid_, 5.0);
    pid_ = -1;
}

std::unique_ptr<PulseServer::Recording> PulseServer::record(const std::string& sink) const {
    const std::string tool = findProgram("parec");
    int fds[2];
    if (tool.empty() || pid_ <= 0 || ::pipe2(fds, O_CLOEXEC) != 0)
        return nullptr;
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t pid =
        spawn({tool, "--server=" + address(), "--device=" + sink + ".monitor", "--format=s16le",
               "--rate=44100", "--channels=2", "--raw", "--latency-msec=20"},
              fds[1], null);
    ::close(fds[1]);
    if (null >= 0)
        ::close(null);
    if (pid <= 0) {
        ::close(fds[0]);
        return nullptr;
    }
    return std::make_unique<Recording>(pid, fds[0]);
}

struct PulseServer::Recording::Reader {
    int fd;
    std::mutex mutex; // guards bytes
    std::condition_variable arrived;
    std::string bytes;
    std::thread thread;

    explicit Reader(int f) : fd(f), thread([this] { run(); }) {}
    void run() {
        char chunk[8192];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0)
                break;
            std::lock_guard lock(mutex);
            bytes.append(chunk, static_cast<std::size_t>(n));
            arrived.notify_all();
        }
    }
};

PulseServer::Recording::Recording(pid_t pid, int fd)
    : pid_(pid), reader_(std::make_unique<Reader>(fd)) {}

PulseServer::Recording::~Recording() {
    stop();
}

bool PulseServer::Recording::waitFor(std::size_t frames, double seconds) {
    std::unique_lock lock(reader_->mutex);
    return reader_->arrived.wait_for(lock, std::chrono::duration<double>(seconds),
                                     [&] { return reader_->bytes.size() >= frames * 4; });
}

std::vector<int16_t> PulseServer::Recording::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        waitForChild(pid_, 5.0);
        pid_ = -1;
    }
    if (reader_->thread.joinable()) {
        reader_->thread.join(); // the pipe's writer is gone: read() ends
        ::close(reader_->fd);
    }
    std::lock_guard lock(reader_->mutex);
    std::vector<int16_t> samples(reader_->bytes.size() / 2);
    std::memcpy(samples.data(), reader_->bytes.data(), samples.size() * 2);
    return samples;
}

} // namespace ws::test

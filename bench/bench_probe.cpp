// Times one run of a windowed program, or of a command that submits a
// print job, without polling: the X server reports the window's mapping
// (MapNotify) and the kernel reports the job file's arrival (inotify).
// Used by scripts/bench; Linux and X11 only.
//
//   bench_probe window --title T --timeout-ms N --stdout F --stderr F
//                      [--press --capture DIR --settle-ms N] -- CMD ARGS...
//       Starts CMD (in a process group of its own) and waits for a mapped
//       top-level window named T. Without --press the group is then killed.
//       With --press it waits --settle-ms, gives the window the focus,
//       presses and releases Return (XTest), waits for the first new
//       job-*.bin in DIR and for CMD to exit.
//   bench_probe lp --capture DIR --timeout-ms N -- CMD ARGS...
//       Starts CMD and waits for the first new job-*.bin in DIR, then for
//       CMD to exit.
//
// Prints key=value lines: map_ms (process start to mapped window),
// job_ms (Return press, or command start, to the job file), job (its
// name), exit_ms (same origin as job_ms; process start without --press),
// status (exit status of CMD, or "killed"), and start_clock, map_clock,
// press_clock, job_clock (CLOCK_MONOTONIC seconds, to line up with
// `perf record -k CLOCK_MONOTONIC`).
// Exits 1 with a message on standard error when a wait times out; whatever
// it started is killed.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double nowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

pid_t child = -1;
bool childReaped = false;
int childStatus = 0;

[[noreturn]] void fail(const char *message)
{
    std::fprintf(stderr, "bench_probe: %s\n", message);
    if (child > 0 && !childReaped) {
        kill(-child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    std::exit(1);
}

struct Options {
    std::string mode;
    std::string title;
    std::string capture;
    std::string out = "/dev/null";
    std::string err = "/dev/null";
    double timeoutMs = 30000;
    double settleMs = 300;
    bool press = false;
    std::vector<char *> command;
};

Options parse(int argc, char **argv)
{
    Options o;
    if (argc < 2)
        fail("usage: bench_probe window|lp OPTIONS -- CMD ARGS...");
    o.mode = argv[1];
    int i = 2;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                fail(("missing value after " + a).c_str());
            return argv[++i];
        };
        if (a == "--")
            break;
        if (a == "--title")
            o.title = value();
        else if (a == "--capture")
            o.capture = value();
        else if (a == "--stdout")
            o.out = value();
        else if (a == "--stderr")
            o.err = value();
        else if (a == "--timeout-ms")
            o.timeoutMs = std::atof(value().c_str());
        else if (a == "--settle-ms")
            o.settleMs = std::atof(value().c_str());
        else if (a == "--press")
            o.press = true;
        else
            fail(("unknown option " + a).c_str());
    }
    for (++i; i < argc; ++i)
        o.command.push_back(argv[i]);
    o.command.push_back(nullptr);
    if (o.command.size() < 2)
        fail("no command after --");
    if ((o.mode == "lp" || o.press) && o.capture.empty())
        fail("--capture DIR is needed");
    return o;
}

void start(const Options &o)
{
    child = fork();
    if (child < 0)
        fail("fork failed");
    if (child == 0) {
        setpgid(0, 0);
        const int out = open(o.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(o.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0)
            _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execvp(o.command[0], o.command.data());
        _exit(127);
    }
    setpgid(child, child);
}

// Stopped from outside (the bench script's trap): take the program along.
void onSignal(int signalNumber)
{
    if (child > 0 && !childReaped)
        kill(-child, SIGKILL);
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

bool reap()
{
    if (childReaped)
        return true;
    int status;
    const pid_t r = waitpid(child, &status, WNOHANG);
    if (r == child) {
        childReaped = true;
        childStatus = status;
    }
    return childReaped;
}

std::string statusText()
{
    if (WIFEXITED(childStatus))
        return std::to_string(WEXITSTATUS(childStatus));
    return "killed";
}

// Watches DIR for job files that appear complete (renamed in, or closed).
int watchCapture(const std::string &dir)
{
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0 || inotify_add_watch(fd, dir.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0)
        fail(("cannot watch " + dir).c_str());
    return fd;
}

// The name of a job file among the pending inotify events, or "".
std::string readJobEvent(int fd)
{
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return std::string();
        for (char *p = buffer; p < buffer + n;) {
            const auto *event = reinterpret_cast<inotify_event *>(p);
            if (event->len > 0) {
                const std::string name(event->name);
                if (name.rfind("job-", 0) == 0 && name.size() > 4
                    && name.compare(name.size() - 4, 4, ".bin") == 0)
                    return name;
            }
            p += sizeof(inotify_event) + event->len;
        }
    }
}

// Waits for a job file; returns its name and sets the time it was seen.
std::string waitJob(int fd, double deadline, double &seenAt)
{
    for (;;) {
        const std::string name = readJobEvent(fd);
        if (!name.empty()) {
            seenAt = nowMs();
            return name;
        }
        const double left = deadline - nowMs();
        if (left <= 0)
            fail("timed out waiting for the job file");
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, int(left) + 1);
    }
}

void waitExit(double deadline)
{
    while (!reap()) {
        if (nowMs() > deadline)
            fail("timed out waiting for the program to exit");
        usleep(1000);
    }
}

bool hasTitle(Display *display, Window window, const std::string &title)
{
    XTextProperty property;
    bool match = false;
    if (XGetWMName(display, window, &property) && property.value) {
        match = title == reinterpret_cast<const char *>(property.value);
        XFree(property.value);
    }
    return match;
}

int ignoreErrors(Display *, XErrorEvent *) { return 0; }

int runWindow(const Options &o)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        fail("cannot open the display");
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);
    const int inotifyFd = o.press ? watchCapture(o.capture) : -1;

    const double started = nowMs();
    const double deadline = started + o.timeoutMs;
    start(o);

    // The mapped window, named now or later (PropertyNotify on its name).
    Window window = 0;
    double mappedAt = 0;
    while (!window) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            Window candidate = 0;
            if (event.type == MapNotify && !event.xmap.override_redirect) {
                candidate = event.xmap.window;
                XSelectInput(display, candidate, PropertyChangeMask);
            } else if (event.type == PropertyNotify && event.xproperty.atom == XA_WM_NAME) {
                XWindowAttributes attributes;
                if (XGetWindowAttributes(display, event.xproperty.window, &attributes)
                    && attributes.map_state == IsViewable)
                    candidate = event.xproperty.window;
            }
            if (candidate && hasTitle(display, candidate, o.title)) {
                window = candidate;
                mappedAt = nowMs();
                break;
            }
        }
        if (window)
            break;
        if (reap())
            fail(("the program ended (status " + statusText() + ") before its window was mapped").c_str());
        const double left = deadline - nowMs();
        if (left <= 0)
            fail("timed out waiting for the window");
        pollfd p{ConnectionNumber(display), POLLIN, 0};
        poll(&p, 1, std::min(int(left) + 1, 20));
    }
    std::printf("pid=%d\nwindow=0x%lx\nmap_ms=%.3f\nstart_clock=%.6f\nmap_clock=%.6f\n", int(child),
                window, mappedAt - started, started / 1e3, mappedAt / 1e3);

    if (!o.press) {
        kill(-child, SIGKILL);
        waitpid(child, &childStatus, 0);
        childReaped = true;
        std::printf("exit_ms=%.3f\nstatus=killed\n", nowMs() - started);
        XCloseDisplay(display);
        return 0;
    }

    // Let the start-up finish (first paint, idle work) before the press.
    usleep(useconds_t(o.settleMs * 1000));
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    for (;;) {
        Window focus;
        int revert;
        XGetInputFocus(display, &focus, &revert);
        if (focus == window)
            break;
        if (nowMs() > deadline)
            fail("timed out giving the window the focus");
        usleep(1000);
    }
    // Lets the program see its FocusIn before the key.
    usleep(50 * 1000);

    void *xtest = dlopen("libXtst.so.6", RTLD_NOW);
    using FakeKey = int (*)(Display *, unsigned int, Bool, unsigned long);
    const auto fakeKey = xtest ? reinterpret_cast<FakeKey>(dlsym(xtest, "XTestFakeKeyEvent")) : nullptr;
    if (!fakeKey)
        fail("libXtst.so.6 (XTestFakeKeyEvent) is not available");
    const KeyCode returnKey = XKeysymToKeycode(display, XK_Return);
    readJobEvent(inotifyFd); // nothing before the press counts

    const double pressed = nowMs();
    fakeKey(display, returnKey, True, 0);
    fakeKey(display, returnKey, False, 0);
    XFlush(display);

    double jobAt = 0;
    const std::string job = waitJob(inotifyFd, pressed + o.timeoutMs, jobAt);
    waitExit(pressed + o.timeoutMs);
    const double exitedAt = nowMs();
    std::printf("job=%s\njob_ms=%.3f\nexit_ms=%.3f\nstatus=%s\npress_clock=%.6f\njob_clock=%.6f\n",
                job.c_str(), jobAt - pressed, exitedAt - pressed, statusText().c_str(), pressed / 1e3,
                jobAt / 1e3);
    XCloseDisplay(display);
    return 0;
}

int runLp(const Options &o)
{
    const int inotifyFd = watchCapture(o.capture);
    const double started = nowMs();
    start(o);
    double jobAt = 0;
    const std::string job = waitJob(inotifyFd, started + o.timeoutMs, jobAt);
    waitExit(started + o.timeoutMs);
    std::printf("job=%s\njob_ms=%.3f\nexit_ms=%.3f\nstatus=%s\n", job.c_str(), jobAt - started,
                nowMs() - started, statusText().c_str());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    signal(SIGPIPE, SIG_IGN);
    signal(SIGTERM, onSignal);
    signal(SIGINT, onSignal);
    signal(SIGHUP, onSignal);
    const Options o = parse(argc, argv);
    if (o.mode == "window")
        return runWindow(o);
    if (o.mode == "lp")
        return runLp(o);
    fail("the first argument is window or lp");
}

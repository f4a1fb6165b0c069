// Preloaded into the player by the whole-program benchmark (LD_PRELOAD): a timer on
// the window thread that notes every late wake-up, and marks around the calls that
// may block that thread (a transfer run by libcurl there, and the media open, from
// mpv's "loadfile" to the unpause that starts playback). The player itself knows
// nothing of it. Each record is one line, written at once, since the benchmark
// ends the player by a signal:
//   tick START_NS LATE_NS      the timer fired LATE_NS after it was due
//   block KIND START_NS END_NS  the window thread was inside KIND meanwhile
//   worker curl START_NS END_NS another thread's transfer
//   media-init START_NS END_NS  libmpv's initialisation, on whichever thread
// Times are CLOCK_MONOTONIC, the clock the benchmark reads too.

#include <curl/curl.h>
#include <dlfcn.h>
#include <pthread.h>
#include <fcntl.h>
#include <mpv/client.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr int kPeriodMs = 5;

int g_out = -1;
pid_t g_windowThread = 0;
std::int64_t g_openStart = 0;

std::int64_t NowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void Record(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Record(const char* format, ...) {
    if (g_out < 0) {
        return;
    }
    char line[160];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) {
        (void)!::write(g_out, line, static_cast<std::size_t>(n));
    }
}

bool OnWindowThread() {
    return g_windowThread != 0 && ::gettid() == g_windowThread;
}

template <typename F>
F Next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void StartProbe() {
    const char* path = std::getenv("CHENQUE_LOOP_PROBE_OUT");
    if (path == nullptr || *path == '\0') {
        return;
    }
    g_out = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    g_windowThread = ::gettid();
    Record("start %lld\n", static_cast<long long>(NowNs()));
    // Ticking starts once the event loop runs; what happens before is start-up.
    QTimer::singleShot(0, qApp, [] {
        auto* timer = new QTimer(qApp);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(kPeriodMs);
        auto* due = new std::int64_t(NowNs() + kPeriodMs * 1000000LL);
        Record("loop %lld\n", static_cast<long long>(NowNs()));
        QObject::connect(timer, &QTimer::timeout, [due] {
            const std::int64_t now = NowNs();
            const std::int64_t late = now - *due;
            if (late > 2000000) {
                Record("tick %lld %lld\n", static_cast<long long>(*due),
                       static_cast<long long>(late));
            }
            *due = now + kPeriodMs * 1000000LL;
        });
        timer->start();
    });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartProbe)

extern "C" {

CURLcode curl_easy_perform(CURL* handle) {
    static auto next = Next<CURLcode (*)(CURL*)>("curl_easy_perform");
    const std::int64_t start = NowNs();
    const CURLcode result = next(handle);
    // Transfers of other threads are only noted, for the benchmark's timeline.
    Record("%s curl %lld %lld\n", OnWindowThread() ? "block" : "worker",
           static_cast<long long>(start), static_cast<long long>(NowNs()));
    return result;
}

int mpv_initialize(mpv_handle* ctx) {
    static auto next = Next<int (*)(mpv_handle*)>("mpv_initialize");
    const std::int64_t start = NowNs();
    const int result = next(ctx);
    Record("media-init %lld %lld\n", static_cast<long long>(start),
           static_cast<long long>(NowNs()));
    return result;
}

int mpv_command_ret(mpv_handle* ctx, const char** args, mpv_node* result) {
    static auto next = Next<int (*)(mpv_handle*, const char**, mpv_node*)>("mpv_command_ret");
    if (OnWindowThread() && args != nullptr && args[0] != nullptr &&
        std::strcmp(args[0], "loadfile") == 0) {
        g_openStart = NowNs();
    }
    return next(ctx, args, result);
}

int mpv_command(mpv_handle* ctx, const char** args) {
    static auto next = Next<int (*)(mpv_handle*, const char**)>("mpv_command");
    if (OnWindowThread() && args != nullptr && args[0] != nullptr &&
        std::strcmp(args[0], "loadfile") == 0) {
        g_openStart = NowNs();
    }
    return next(ctx, args);
}

int mpv_set_property(mpv_handle* ctx, const char* name, mpv_format format, void* data) {
    static auto next =
        Next<int (*)(mpv_handle*, const char*, mpv_format, void*)>("mpv_set_property");
    const int result = next(ctx, name, format, data);
    if (OnWindowThread() && g_openStart != 0 && std::strcmp(name, "pause") == 0 &&
        format == MPV_FORMAT_FLAG && data != nullptr && *static_cast<int*>(data) == 0) {
        Record("block open %lld %lld\n", static_cast<long long>(g_openStart),
               static_cast<long long>(NowNs()));
        g_openStart = 0;
    }
    return result;
}

// The start of a thread (the loading worker) and of libmpv, for the timeline.
mpv_handle* mpv_create() {
    static auto next = Next<mpv_handle* (*)()>("mpv_create");
    Record("media-create %lld\n", static_cast<long long>(NowNs()));
    return next();
}

int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*routine)(void*),
                   void* argument) {
    static auto next = Next<int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*)>(
        "pthread_create");
    if (OnWindowThread()) {
        Record("thread %lld\n", static_cast<long long>(NowNs()));
    }
    return next(thread, attr, routine, argument);
}

}  // extern "C"

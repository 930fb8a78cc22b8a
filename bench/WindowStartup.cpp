// The chat window's start-up figures: the time from the program's start to the window shown
// (its first paint), and the resident memory once it has stood idle for a second. Offscreen
// unless a platform is chosen.
//
//   bench_window_startup [STARTED_AT_NS]
//
// STARTED_AT_NS is the CLOCK_REALTIME in nanoseconds just before the process was started (the
// script passes `date +%s%N`); without it the time is counted from main().

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/ChatWindow.h"

namespace {

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A line of /proc/self/status in kB, such as VmRSS.
long StatusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
    }
    return -1;
}

// Notes the window's first paint, then quits after a second of idling.
class FirstPaint final : public QObject {
public:
    explicit FirstPaint(long long startNs) : startNs_(startNs) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && shownNs_ == 0) {
            shownNs_ = NowNs();
            QTimer::singleShot(1000, qApp, [] { QApplication::quit(); });
        }
        return false;
    }
    double ShownMs() const { return shownNs_ == 0 ? -1 : (shownNs_ - startNs_) / 1e6; }

private:
    long long startNs_;
    long long shownNs_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const long long mainNs = NowNs();
    const long long startNs = argc > 1 ? std::atoll(argv[1]) : mainNs;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    velmora::ChatWindow window([](velmora::WindowOperations&) { return true; });
    FirstPaint firstPaint(startNs);
    window.installEventFilter(&firstPaint);
    window.show();
    QTimer::singleShot(10000, &application, [] { QApplication::quit(); });  // never painted
    application.exec();
    if (firstPaint.ShownMs() < 0) {
        std::fprintf(stderr, "bench_window_startup: the window was never painted\n");
        return 1;
    }
    std::printf("window shown: %.1f ms after start (%.1f ms after main)\n", firstPaint.ShownMs(),
                firstPaint.ShownMs() - (mainNs - startNs) / 1e6);
    std::printf("idle RSS: %ld KB (peak %ld KB)\n", StatusKb("VmRSS"), StatusKb("VmHWM"));
    return 0;
}

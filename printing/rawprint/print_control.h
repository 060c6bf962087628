#ifndef ORVANE_PRINT_CONTROL_H
#define ORVANE_PRINT_CONTROL_H

#include <atomic>
#include <chrono>
#include <cstdint>

// Shared by the thread that prints and the window that waits for it. A
// spooler, port or driver that gives no answer must not hold the print for
// ever: every blocking call is marked, so the one that waits can stop and
// the window can tell. Once the window has shown the print as failed, the
// print is abandoned: what it started is cancelled, never finished later.
class PrintControl
{
public:
    using Clock = std::chrono::steady_clock;

    // A spooler, port or driver silent for this long has failed.
    static constexpr std::chrono::milliseconds defaultNoAnswerLimit{10000};

    explicit PrintControl(std::chrono::milliseconds noAnswerLimit = defaultNoAnswerLimit)
        : limit(noAnswerLimit)
    {
    }

    std::chrono::milliseconds noAnswerLimit() const { return limit; }

    void abandon() { abandonedFlag.store(true); }
    bool abandoned() const { return abandonedFlag.load(); }

    // A blocking call starts, or the one under way made progress (a part of
    // the document went out): its time without an answer starts again.
    void beginWait() { waitStart.store(nowMs()); }
    void endWait() { waitStart.store(0); }

    // How long the current blocking call has gone without an answer; zero
    // when none is under way.
    std::chrono::milliseconds waiting() const
    {
        const std::int64_t start = waitStart.load();
        return std::chrono::milliseconds(start == 0 ? 0 : nowMs() - start);
    }

    // What a blocking call asks while it waits: true once it has had no
    // answer for noAnswerLimit, or the print was abandoned.
    bool shouldStop() const { return abandoned() || waiting() >= limit; }

private:
    static std::int64_t nowMs()
    {
        // Never zero, which means "no wait".
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count() + 1;
    }

    const std::chrono::milliseconds limit;
    std::atomic<bool> abandonedFlag{false};
    std::atomic<std::int64_t> waitStart{0};
};

// Marks one blocking call for as long as it lives.
class WaitScope
{
public:
    explicit WaitScope(PrintControl *control)
        : control(control)
    {
        if (control)
            control->beginWait();
    }
    ~WaitScope()
    {
        if (control)
            control->endWait();
    }
    WaitScope(const WaitScope &) = delete;
    WaitScope &operator=(const WaitScope &) = delete;

private:
    PrintControl *control;
};

#endif

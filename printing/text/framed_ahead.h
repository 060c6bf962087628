#ifndef ORVANE_FRAMED_AHEAD_H
#define ORVANE_FRAMED_AHEAD_H

#include "job_choices.h"

#include <future>

// The bytes of the raw roads, framed on a thread of their own while the
// operator looks at the window: the press then sends at once, instead of
// first framing a long report into memory touched for the first time.
// Used only for a press whose choices are those it was framed for.
class FramedAhead
{
public:
    FramedAhead() = default;
    FramedAhead(const FramedAhead &) = delete;
    FramedAhead &operator=(const FramedAhead &) = delete;
    // Waits for a framing under way; the size limit keeps that short.
    ~FramedAhead();

    // Frames the job's text for its road; nothing for a page road, or for
    // a file above the limit.
    void start(const PrintJob &job);
    // The text framed for `job`'s own choices, or nothing (not valid()).
    std::shared_future<QByteArray> forJob(const PrintJob &job) const;

    // Files above this are framed at the press, as before: closing the
    // window never waits long for a framing nobody used.
    static constexpr int largestFile = 32 * 1024 * 1024;

private:
    PrintJob framedFor;
    std::shared_future<QByteArray> text;
};

#endif

#ifndef ORVANE_QUEUE_PAPER_H
#define ORVANE_QUEUE_PAPER_H

#include <string>

// The paper a queue prints on by default, as its PPD says: the PPD's
// DefaultPageSize and that size's PaperDimension, in points. A queue with
// no PPD (a raw queue, or one that is gone) has none: `found` stays false.
struct QueuePaper {
    bool found = false;
    std::string name;
    double widthPoints = 0;
    double heightPoints = 0;
};

// Asks the scheduler for the queue's PPD, one request. False when it did
// not answer as a scheduler does.
bool askQueuePaper(const std::string &queue, QueuePaper &paper);

// The default paper of a PPD's text; `found` false when it names none.
QueuePaper paperOfPpd(const std::string &ppd);

#endif

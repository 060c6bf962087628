#include "framed_ahead.h"

#include "direct_text.h"

#include <system_error>

namespace {

bool isRawRoad(const QString &level)
{
    return level == QLatin1String("baixo") || level == QLatin1String("escrita direta");
}

LineEnds lineEndsOf(const QString &level)
{
    return level == QLatin1String("escrita direta") ? LineEnds::CrLf : LineEnds::Lf;
}

// Everything directText reads; the file is the same bytes, not a copy.
bool sameFraming(const PrintJob &a, const PrintJob &b)
{
    return a.level == b.level && a.dotMatrixMode == b.dotMatrixMode && a.codePage == b.codePage
           && a.tags == b.tags && a.columns == b.columns && a.fileFolder == b.fileFolder && a.leftMargin == b.leftMargin
           && a.topMargin == b.topMargin && a.bottomMargin == b.bottomMargin
           && a.fileData.constData() == b.fileData.constData() && a.fileData.size() == b.fileData.size();
}

} // namespace

FramedAhead::~FramedAhead()
{
    if (text.valid())
        text.wait();
}

void FramedAhead::start(const PrintJob &job)
{
    if (text.valid())
        text.wait();
    text = {};
    if (!isRawRoad(job.level) || job.fileData.size() > largestFile)
        return;
    framedFor = job;
    try {
        text = std::async(std::launch::async, [job] { return directText(job, lineEndsOf(job.level)); }).share();
    } catch (const std::system_error &) {
        // No thread: the press frames the text itself.
    }
}

std::shared_future<QByteArray> FramedAhead::forJob(const PrintJob &job) const
{
    if (!text.valid() || !sameFraming(framedFor, job))
        return {};
    return text;
}

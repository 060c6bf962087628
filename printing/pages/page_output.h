#ifndef ORVANE_PAGE_OUTPUT_H
#define ORVANE_PAGE_OUTPUT_H

#include <QByteArray>

#include "raw_spooler.h"

#include <functional>

class PageSource;
class PrintControl;
class QPageLayout;
class QPrinter;

// Prints the pages of `pages` on the printer named in `printer`. False when
// painting failed, the print was abandoned, or the spooler did not take the
// job: on Linux the pages are painted as a PDF of the page the queue would
// have given, and that PDF goes through the same spooler steps as a raw
// document, so a queue that refuses the job, is gone or whose scheduler is
// down is seen; Qt's own CUPS output would not tell. On Windows the
// printer's driver prints through Qt, whose state tells. The spooler's
// waits are bounded by `control`, and painting stops between pages once
// the print is abandoned. The cut follows the pages: in their job on Linux,
// as a job of its own after the driver's on Windows.
bool printPages(PageSource &pages, QPrinter &printer, PrintControl &control, const SpoolPart &cut);

// The PDF of the pages on paper of `layout`, painted at `resolution` dots
// per inch in memory: there is no file that a full disk could leave cut
// short. Null when painting failed or was abandoned, or when the PDF
// would not fit in memory (it says so on the diagnostics).
QByteArray pagesAsPdf(PageSource &pages, const QPageLayout &layout, int resolution,
                      const std::function<bool()> &abandoned = {});

#endif

#ifndef ORVANE_PAGE_OUTPUT_H
#define ORVANE_PAGE_OUTPUT_H

#include <QByteArray>
#include <QPageLayout>
#include <QtGlobal>

#include "raw_spooler.h"

#include <functional>
#include <memory>

#ifdef Q_OS_WIN
#include <QPrinter>
#endif

class PageSource;
class PrintControl;

// The page a queue prints on: its name, its paper (painted whole, no
// margin of the printer's own) and the resolution the pages are laid out
// at. On Windows the printer's driver prints them, through Qt.
struct QueuePage {
    QByteArray queue;
    QPageLayout layout;
    int resolution = 96;
#ifdef Q_OS_WIN
    std::unique_ptr<QPrinter> printer;
#endif
};

// Prints the pages of `pages` on the queue of `page`. False when
// painting failed, the print was abandoned, or the spooler did not take the
// job: on Linux the pages are painted as a PDF of the page the queue would
// have given, and that PDF goes through the same spooler steps as a raw
// document, so a queue that refuses the job, is gone or whose scheduler is
// down is seen; Qt's own CUPS output would not tell. On Windows the
// printer's driver prints through Qt, whose state tells. The spooler's
// waits are bounded by `control`, and painting stops between pages once
// the print is abandoned. The cut follows the pages: in their job on Linux,
// as a job of its own after the driver's on Windows.
bool printPages(PageSource &pages, QueuePage &page, PrintControl &control, const SpoolPart &cut);

// The PDF of the pages on paper of `layout`, painted at `resolution` dots
// per inch in memory: there is no file that a full disk could leave cut
// short. Null when painting failed or was abandoned, or when the PDF
// would not fit in memory (it says so on the diagnostics).
QByteArray pagesAsPdf(PageSource &pages, const QPageLayout &layout, int resolution,
                      const std::function<bool()> &abandoned = {});

#endif

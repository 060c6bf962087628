#include "code_pages.h"
#include "print_job.h"
#include "text_framing.h"

QByteArray directText(const PrintJob &job)
{
    const QByteArray prefix = dotMatrixPrefix(job.dotMatrixMode);
    // No page chosen, or a name the list does not hold: the file's bytes
    // go as they are.
    if (const CodePage *page = codePageNamed(job.codePage.toStdString()))
        return frameTextInCodePage(job.fileData, job.leftMargin, job.topMargin, job.bottomMargin, prefix, *page);
    return frameText(job.fileData, job.leftMargin, job.topMargin, job.bottomMargin, prefix);
}

#include "direct_text.h"

#include "code_pages.h"
#include "escpos_writer.h"
#include "receipt_pictures.h"
#include "receipt_reader.h"
#include "text_framing.h"

#include <iostream>
#include <limits>

namespace {

constexpr size_t largeFile = 8 * 1024 * 1024;

// What a Windows text-mode stream put out for the port road: every LF of
// the framed plain text as CR LF.
QByteArray withCrLf(const QByteArray &text)
{
    if (text.isNull())
        return text;
    const int lineFeeds = int(text.count('\n'));
    if (qsizetype(text.size()) + lineFeeds > qsizetype(std::numeric_limits<int>::max() - 64))
        return QByteArray();
    QByteArray converted(text.size() + lineFeeds, Qt::Uninitialized);
    char *out = converted.data();
    for (const char c : text) {
        if (c == '\n')
            *out++ = '\r';
        *out++ = c;
    }
    return converted;
}

QByteArray plainText(const PrintJob &job, const QByteArray &prefix, const CodePage *page, LineEnds ends)
{
    // No page chosen, or a name the list does not hold: the file's bytes
    // go as they are.
    const QByteArray framed = page ? frameTextInCodePage(job.fileData, job.leftMargin, job.topMargin,
                                                         job.bottomMargin, prefix, *page)
                                   : frameText(job.fileData, job.leftMargin, job.topMargin, job.bottomMargin, prefix);
    return ends == LineEnds::CrLf ? withCrLf(framed) : framed;
}

} // namespace

bool readsTags(const PrintJob &job)
{
    return job.tags == QLatin1String("acbr");
}

QByteArray directText(const PrintJob &job, LineEnds ends)
{
    const QByteArray prefix = dotMatrixPrefix(job.dotMatrixMode);
    const CodePage *page = codePageNamed(job.codePage.toStdString());
    if (!readsTags(job))
        return plainText(job, prefix, page, ends);

    // A long report is checked first: a plain one is framed without being
    // written as a receipt too.
    const char *data = job.fileData.constData();
    const size_t size = size_t(job.fileData.size());
    if (size > largeFile) {
        const receipt::ReceiptReading check = receipt::checkReceipt(data, size, job.columns, pictureLoader(job.fileFolder));
        if (check.error.isError())
            return QByteArray();
        if (!check.hasTags)
            return plainText(job, prefix, page, ends);
    }
    receipt::EscPosFrame frame;
    frame.leftMargin = job.leftMargin;
    frame.topMargin = job.topMargin;
    frame.bottomMargin = job.bottomMargin;
    frame.columns = job.columns;
    if (page)
        frame.setup.assign(reinterpret_cast<const char *>(page->selection), page->selectionLength);
    frame.setup.append(prefix.constData(), size_t(prefix.size()));
    frame.codePage = page;
    frame.crlf = ends == LineEnds::CrLf;
    // Written as it is read; thrown away when a tag turns out bad, or when
    // there was none.
    receipt::ReceiptReading reading;
    const std::string bytes = receipt::writeEscPos(
        [&](const receipt::PieceSink &sink) { reading = receipt::readReceipt(data, size, job.columns, sink, pictureLoader(job.fileFolder)); }, frame, true, size);
    if (reading.error.isError())
        return QByteArray();
    if (!reading.hasTags)
        return plainText(job, prefix, page, ends);
    if (bytes.size() > size_t(std::numeric_limits<int>::max() - 64))
        return QByteArray();
    return QByteArray(bytes.data(), int(bytes.size()));
}

QString receiptProblem(const PrintJob &job)
{
    if (!readsTags(job))
        return QString();
    const receipt::ReceiptError error =
        receipt::checkReceipt(job.fileData.constData(), size_t(job.fileData.size()), job.columns,
                              pictureLoader(job.fileFolder)).error;
    return error.isError() ? QString::fromStdString(error.message()) : QString();
}

// The cut always goes as a raw document of its own; with no preset chosen
// that document is empty.
SpoolPart cutPart(const PrintJob &job)
{
    return SpoolPart{job.cutSequence.constData(), job.cutSequence.size(), "RAW"};
}

void sayReceiptRefused(const QString &problem)
{
    std::cout << "impressao recusada, nada foi enviado: " << problem.toStdString() << std::endl;
}

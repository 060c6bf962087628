#include "page_painter.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>

#include <climits>

namespace {

// The resolution Qt lays a document out at when it has no device of its own.
QPointF defaultDpi()
{
    if (QCoreApplication::testAttribute(Qt::AA_Use96Dpi))
        return QPointF(96, 96);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        return QPointF(qRound(screen->logicalDotsPerInchX()), qRound(screen->logicalDotsPerInchY()));
    return QPointF(100, 100);
}

// Paragraphs that Qt paints with nothing but their text: no frame, table,
// list, background or rule anywhere.
bool onlyPlainParagraphs(const QTextDocument &document)
{
    if (!document.rootFrame()->childFrames().isEmpty()
        || document.rootFrame()->frameFormat().background() != Qt::NoBrush)
        return false;
    for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        if (block.textList() || format.background() != Qt::NoBrush
            || format.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth))
            return false;
    }
    return true;
}

QRectF blockRect(const QTextBlock &block)
{
    const QTextLayout *layout = block.layout();
    return layout->boundingRect().translated(layout->position());
}

// The paragraphs met by one page, one page after the other: each page
// starts where the one before it left off.
class PageByPage
{
public:
    explicit PageByPage(const QTextDocument &document)
        : first(document.firstBlock())
    {
    }

    void paint(QPainter *painter, const QRectF &view)
    {
        while (first.isValid() && blockRect(first).bottom() < view.top())
            first = first.next();
        const QPen pen = painter->pen();
        painter->setPen(Qt::black);
        for (QTextBlock block = first; block.isValid(); block = block.next()) {
            const QRectF rect = blockRect(block);
            if (rect.top() > view.bottom())
                break;
            if (!block.isVisible() || rect.bottom() < view.top())
                continue;
            // A paragraph that goes on past this page would be read and
            // shaped again for every page it spans; its glyphs are kept
            // until its last page.
            QTextLayout *layout = block.layout();
            layout->setCacheEnabled(rect.bottom() > view.bottom());
            layout->draw(painter, QPointF(), {}, view);
        }
        painter->setPen(pen);
    }

private:
    QTextBlock first;
};

} // namespace

bool paintPages(QTextDocument &document, QPagedPaintDevice *printer)
{
    if (!onlyPlainParagraphs(document)) {
        document.print(printer);
        return true;
    }

    const bool paginated = document.pageSize().isValid() && !document.pageSize().isNull()
                           && document.pageSize().height() != INT_MAX;
    QMarginsF margins = printer->pageLayout().margins(QPageLayout::Millimeter);
    if (!paginated && margins.isNull())
        printer->setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);

    QPainter painter(printer);
    if (!painter.isActive())
        return false;

    QAbstractTextDocumentLayout *layout = document.documentLayout();
    QRectF body(QPointF(0, 0), document.pageSize());
    QPointF pageNumberPosition;
    const QPointF sourceDpi = defaultDpi();
    const qreal dpiScaleX = printer->logicalDpiX() / sourceDpi.x();
    const qreal dpiScaleY = printer->logicalDpiY() / sourceDpi.y();

    if (paginated) {
        painter.scale(dpiScaleX, dpiScaleY);
        const QSizeF scaledPage(document.pageSize().width() * dpiScaleX,
                                document.pageSize().height() * dpiScaleY);
        painter.scale(printer->width() / scaledPage.width(), printer->height() / scaledPage.height());
    } else {
        // Laid out for the printer, inside 2 cm margins, with the page
        // number at the foot of each page.
        layout->setPaintDevice(painter.device());
        const int horizontalMargin = int((2 / 2.54) * sourceDpi.x());
        const int verticalMargin = int((2 / 2.54) * sourceDpi.y());
        QTextFrameFormat frame = document.rootFrame()->frameFormat();
        frame.setLeftMargin(horizontalMargin);
        frame.setRightMargin(horizontalMargin);
        frame.setTopMargin(verticalMargin);
        frame.setBottomMargin(verticalMargin);
        document.rootFrame()->setFrameFormat(frame);

        const int dpiY = painter.device()->logicalDpiY();
        body = QRectF(0, 0, printer->width(), printer->height());
        pageNumberPosition = QPointF(body.width() - horizontalMargin * dpiScaleX,
                                     body.height() - verticalMargin * dpiScaleY
                                         + QFontMetrics(document.defaultFont(), painter.device()).ascent()
                                         + 5 * dpiY / 72.0);
        document.setPageSize(body.size());
    }

    PageByPage pages(document);
    const int pageCount = document.pageCount();
    for (int page = 1; page <= pageCount; ++page) {
        if (page > 1 && !printer->newPage())
            return true;
        painter.save();
        painter.translate(body.left(), body.top() - (page - 1) * body.height());
        const QRectF view(0, (page - 1) * body.height(), body.width(), body.height());
        painter.setClipRect(view);
        pages.paint(&painter, view);
        if (!pageNumberPosition.isNull()) {
            painter.setClipping(false);
            painter.setFont(QFont(document.defaultFont()));
            const QString number = QString::number(page);
            painter.drawText(qRound(pageNumberPosition.x() - painter.fontMetrics().horizontalAdvance(number)),
                             qRound(pageNumberPosition.y() + view.top()), number);
        }
        painter.restore();
    }
    return true;
}

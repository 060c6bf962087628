#include "page_painter.h"

#include <QAbstractTextDocumentLayout>
#include <QDebug>
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>

#include <algorithm>
#include <climits>
#include <cmath>

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

QRectF blockRect(const QTextBlock &block)
{
    const QTextLayout *layout = block.layout();
    return layout->boundingRect().translated(layout->position());
}

qreal firstLineTop(const QTextBlock &block)
{
    const QTextLayout *layout = block.layout();
    return layout->position().y() + layout->lineAt(0).y();
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

    // Paints the paragraphs within `view`, which the painter shows at its
    // origin.
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
            layout->draw(painter, QPointF(0, -view.top()), {}, QRectF(QPointF(0, 0), view.size()));
        }
        painter->setPen(pen);
    }

private:
    QTextBlock first;
};

// Where the painter puts the pages, as QTextDocument::print would.
struct PageSetup {
    bool paginated = false;
    QRectF body;
    QPointF pageNumberPosition;
    int horizontalMargin = 0;
    int verticalMargin = 0;
};

// A document without a page size is laid out for the printer, inside 2 cm
// margins.
void layOutForPrinter(QTextDocument &piece, const PageSetup &setup, QPaintDevice *device)
{
    if (setup.paginated)
        return;
    piece.documentLayout()->setPaintDevice(device);
    QTextFrameFormat frame = piece.rootFrame()->frameFormat();
    frame.setLeftMargin(setup.horizontalMargin);
    frame.setRightMargin(setup.horizontalMargin);
    frame.setTopMargin(setup.verticalMargin);
    frame.setBottomMargin(setup.verticalMargin);
    piece.rootFrame()->setFrameFormat(frame);
    piece.setPageSize(setup.body.size());
}

// How many of the first paragraphs of a piece lie within `limit`: all of
// them when the piece does. Their heights are added up in floating point
// first, where the document's own positions, in fixed point, wrap around
// beyond some 33 million pixels; the positions are read once that sum
// shows them sound.
struct Fit {
    int within = 0;
    bool oneTooTall = false; // the next paragraph alone passes the limit
};

Fit fitWithin(const QTextDocument &piece, qreal limit)
{
    qreal height = 0;
    int count = 0;
    for (QTextBlock block = piece.firstBlock(); block.isValid(); block = block.next(), ++count) {
        const QTextLayout *layout = block.layout();
        qreal own = 0;
        for (int i = 0; i < layout->lineCount(); ++i)
            own += layout->lineAt(i).height();
        // With the space that page breaks leave in it.
        if (own <= 2 * limit)
            own = layout->boundingRect().height();
        if (own > limit)
            return {count, true};
        height += own;
        if (height > 2 * limit)
            return {count, false};
    }
    if (piece.documentLayout()->documentSize().height() <= limit)
        return {count, false};
    // Page breaks between paragraphs, or the tables, took the rest.
    count = 0;
    for (QTextBlock block = piece.firstBlock(); block.isValid() && blockRect(block).bottom() <= limit;
         block = block.next())
        ++count;
    return {std::min(count, piece.blockCount() - 1), false};
}

struct PageStart {
    int block = -1;
    int page = 0; // counted from 0
};

// The last paragraph of a piece of plain paragraphs that begins a page
// after its first as it would begin a document: its first line at the top
// of the page, with nothing of the paragraph before it on that page. Qt
// lays a paragraph out from where the one before it ended, so from there
// on the rest of the text lays out the same in a piece of its own. A
// paragraph that Qt would move down in a document of its own is passed
// over: one that always begins a new page, one with lines of a fixed or
// minimum height (moved by an adjustment of their own), one whose first
// line does not fit in the page.
PageStart lastPageStart(const QTextDocument &piece, const PageSource &source)
{
    const QTextFrameFormat frame = piece.rootFrame()->frameFormat();
    const QTextBlock first = piece.firstBlock();
    const qreal pageHeight = piece.pageSize().height();
    if (frame.topMargin() != frame.bottomMargin() || first.layout()->lineCount() == 0)
        return {};
    // The first paragraph begins at the top margin of its page, the first
    // page unless it always begins a new one.
    const qreal firstTop = first.layout()->position().y();
    const qreal top = firstTop - std::floor(firstTop / pageHeight) * pageHeight;

    for (QTextBlock block = piece.lastBlock(); block.isValid() && block != first; block = block.previous()) {
        const QTextBlockFormat format = block.blockFormat();
        const QTextLayout *layout = block.layout();
        if (!block.isVisible() || layout->lineCount() == 0
            || (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            || format.lineHeightType() == QTextBlockFormat::FixedHeight
            || format.lineHeightType() == QTextBlockFormat::MinimumHeight
            || layout->lineAt(0).height() > pageHeight - 2 * top)
            continue;
        const qreal lineTop = firstLineTop(block);
        const qreal page = std::floor(lineTop / pageHeight);
        if (page < 1 || lineTop - page * pageHeight != top)
            continue;
        const QTextBlock before = block.previous();
        const QTextLayout *beforeLayout = before.layout();
        if (before.isVisible() && beforeLayout->lineCount() > 0
            && beforeLayout->position().y() + beforeLayout->lineAt(beforeLayout->lineCount() - 1).y()
                   >= page * pageHeight)
            continue;
        const int number = block.blockNumber();
        if (source.startOf(number) >= 0)
            return {number, int(page)};
    }
    return {};
}

// A document with tables or lists is painted by Qt's layout, with the
// painter translated to each page: within half of where it loses the
// pages.
const qreal translatedHeight = 1 << 22;

const char noPageStart[] = "impressão recusada: parágrafos longos, mais de %1 páginas sem um que comece uma página";

bool refused(const char *why, int pages)
{
    qWarning().noquote() << QString::fromUtf8(why).arg(pages);
    return false;
}

} // namespace

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

bool paintPages(PageSource &source, QPagedPaintDevice *printer, const std::function<bool()> &abandoned,
                const PieceLimits &limits)
{
    const PageSource::Size standard{1, limits.paragraphs, limits.characters};
    PageSource::Size size = standard;
    int start = 0;
    QTextDocument *piece = source.piece(start, size);

    PageSetup setup;
    setup.paginated = piece->pageSize().isValid() && !piece->pageSize().isNull()
                      && piece->pageSize().height() != INT_MAX;
    QMarginsF margins = printer->pageLayout().margins(QPageLayout::Millimeter);
    if (!setup.paginated && margins.isNull())
        printer->setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);

    QPainter painter(printer);
    if (!painter.isActive())
        return false;

    const QPointF sourceDpi = defaultDpi();
    const qreal dpiScaleX = printer->logicalDpiX() / sourceDpi.x();
    const qreal dpiScaleY = printer->logicalDpiY() / sourceDpi.y();
    if (setup.paginated) {
        setup.body = QRectF(QPointF(0, 0), piece->pageSize());
        painter.scale(dpiScaleX, dpiScaleY);
        const QSizeF scaledPage(piece->pageSize().width() * dpiScaleX, piece->pageSize().height() * dpiScaleY);
        painter.scale(printer->width() / scaledPage.width(), printer->height() / scaledPage.height());
    } else {
        // With the page number at the foot of each page.
        setup.horizontalMargin = int((2 / 2.54) * sourceDpi.x());
        setup.verticalMargin = int((2 / 2.54) * sourceDpi.y());
        const int dpiY = painter.device()->logicalDpiY();
        setup.body = QRectF(0, 0, printer->width(), printer->height());
        setup.pageNumberPosition = QPointF(setup.body.width() - setup.horizontalMargin * dpiScaleX,
                                           setup.body.height() - setup.verticalMargin * dpiScaleY
                                               + QFontMetrics(piece->defaultFont(), painter.device()).ascent()
                                               + 5 * dpiY / 72.0);
    }

    int pagesDone = 0;
    bool shortened = false;
    for (;;) {
        layOutForPrinter(*piece, setup, painter.device());
        const int paragraphs = source.paragraphs();
        const bool plain = onlyPlainParagraphs(*piece);
        const qreal limit = plain ? limits.height : std::min(limits.height, translatedHeight);
        const Fit fit = fitWithin(*piece, limit);
        const int pageLimit = int(limit / setup.body.height());
        if (fit.within < piece->blockCount()) {
            // A table or list is not split, a paragraph cannot be, and a
            // piece of more paragraphs than one already was too short.
            if (!plain)
                return refused("impressão recusada: um texto com tabela ou lista ocupa mais de %1 páginas", pageLimit);
            if (fit.oneTooTall)
                return refused("impressão recusada: um parágrafo ocupa mais de %1 páginas", pageLimit);
            if (paragraphs <= size.least)
                return refused(noPageStart, pageLimit);
            size.most = std::max(size.least, std::min(paragraphs - 1, fit.within));
            shortened = true;
            piece = source.piece(start, size);
            continue;
        }

        int pages = piece->pageCount();
        int next = -1;
        if (!source.reachesEnd()) {
            const PageStart restart = lastPageStart(*piece, source);
            if (restart.block < 0) {
                if (shortened)
                    return refused(noPageStart, pageLimit);
                // Further on, up to twice as far.
                size = PageSource::Size{paragraphs + 1, 2 * paragraphs, INT_MAX};
                piece = source.piece(start, size);
                continue;
            }
            pages = restart.page;
            next = source.startOf(restart.block);
        }

        PageByPage byPage(*piece);
        QAbstractTextDocumentLayout *layout = piece->documentLayout();
        for (int page = 1; page <= pages; ++page) {
            if (abandoned && abandoned())
                return false;
            if (pagesDone > 0 && !printer->newPage())
                return false;
            ++pagesDone;
            painter.save();
            const QRectF view(0, (page - 1) * setup.body.height(), setup.body.width(), setup.body.height());
            if (plain) {
                // Each page in coordinates of its own: Qt paints the page
                // content of a translated painter with less and less
                // precision from some 8 million pixels down, and drops it.
                painter.translate(setup.body.topLeft());
                painter.setClipRect(QRectF(QPointF(0, 0), view.size()));
                byPage.paint(&painter, view);
            } else {
                // Tables, lists and decorations as QTextDocument::print
                // paints them: the whole document for each page.
                painter.translate(setup.body.left(), setup.body.top() - view.top());
                painter.setClipRect(view);
                QAbstractTextDocumentLayout::PaintContext context;
                context.clip = view;
                context.palette.setColor(QPalette::Text, Qt::black);
                layout->draw(&painter, context);
                painter.translate(0, view.top());
            }
            if (!setup.pageNumberPosition.isNull()) {
                painter.setClipping(false);
                painter.setFont(QFont(piece->defaultFont()));
                const QString number = QString::number(pagesDone);
                painter.drawText(qRound(setup.pageNumberPosition.x() - painter.fontMetrics().horizontalAdvance(number)),
                                 qRound(setup.pageNumberPosition.y()), number);
            }
            painter.restore();
        }
        if (next < 0) {
            if (!source.nextSection())
                return true;
            // The next section from its first paragraph, on a page of its own.
            start = 0;
            size = standard;
            shortened = false;
            piece = source.piece(start, size);
            continue;
        }
        // A piece that had to be shorter tells how long the next may be.
        start = next;
        size = PageSource::Size{1, shortened ? size.most : standard.most, standard.characters};
        shortened = false;
        piece = source.piece(start, size);
    }
}

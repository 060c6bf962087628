#include "line_blocks.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextOption>
#include <QtMath>

#include <utility>

// How a paragraph per line lands where the lines of one paragraph land:
// inside a paragraph each line advances by its height with the font's
// leading, while a paragraph ends no higher than its last line's full
// height. With a negative leading that is more, so every piece but the
// last takes the difference back as a negative bottom margin. Qt puts the
// larger of a paragraph's bottom margin and the next one's top margin
// between them; the pieces after the first have a top margin far below
// any gap, so the gap is what counts.

namespace {

// Marks a piece that a line break used to follow.
const int brokenLineProperty = QTextFormat::UserProperty + 1;
const qreal yieldToGapAbove = -10000;

// The pieces of a split paragraph keep its format, but what belongs to its
// edges stays at the edges: the space and page break above it and the
// first-line indent on the first piece, the space and page break below it
// on the last.
struct PieceFormats {
    QTextBlockFormat first, inner, last;
};

PieceFormats piecesOf(const QTextBlockFormat &original, qreal gap)
{
    PieceFormats pieces{original, original, original};
    pieces.inner.setTopMargin(yieldToGapAbove);
    pieces.inner.setBottomMargin(gap);
    pieces.inner.setTextIndent(0);
    pieces.inner.setPageBreakPolicy(QTextFormat::PageBreak_Auto);
    pieces.inner.setProperty(brokenLineProperty, true);
    pieces.first.setBottomMargin(gap);
    pieces.first.setPageBreakPolicy(original.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
    pieces.first.setProperty(brokenLineProperty, true);
    pieces.last.setTopMargin(yieldToGapAbove);
    pieces.last.setTextIndent(0);
    pieces.last.setPageBreakPolicy(original.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysAfter);
    return pieces;
}

// What a paragraph ending in this line must take back.
qreal gapAfter(const QTextLine &line)
{
    const qreal advance = qCeil(line.ascent() + line.descent() + line.leading());
    return qMin(advance - line.height(), qreal(0));
}

// A line keeps the height of every character on it, the line break's too.
// Taking the break away keeps the line as it was when the break's font
// reaches no higher, lower or further apart than the character before it.
bool breakAddsNothing(const QTextCharFormat &lineBreak, const QTextCharFormat &before)
{
    if (lineBreak == before)
        return true;
    if (lineBreak.verticalAlignment() != QTextCharFormat::AlignNormal)
        return false;
    const QFontMetricsF breakFont(lineBreak.font());
    const QFontMetricsF beforeFont(before.font());
    return breakFont.ascent() <= beforeFont.ascent() && breakFont.descent() <= beforeFont.descent()
           && breakFont.leading() <= beforeFont.leading();
}

// An empty line is as high as both its line break and its paragraph's own
// format, which no paragraph of its own can be: it stays a line break,
// inside the piece that follows the line before it.
bool emptyLineAt(const QString &text, int lineBreak)
{
    return lineBreak == 0 || text.at(lineBreak - 1) == QChar::LineSeparator
           || text.at(lineBreak - 1) == QLatin1Char('\n');
}

QTextCharFormat formatAt(QTextCursor &cursor, int position)
{
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

// False when no break could go.
bool splitBlock(QTextCursor &cursor, const QTextBlock &block, const QString &text)
{
    const int start = block.position();
    const PieceFormats pieces = piecesOf(block.blockFormat(), 0);
    // A line with nothing on it takes its height from the paragraph's own
    // format, which every piece keeps.
    const QTextCharFormat paragraph = block.charFormat();

    // From the end, so the positions still to split do not move.
    QTextBlockFormat piece = pieces.last;
    bool splitAny = false;
    for (int at = text.lastIndexOf(QChar::LineSeparator); at >= 0;
         at = at > 0 ? text.lastIndexOf(QChar::LineSeparator, at - 1) : -1) {
        if (emptyLineAt(text, at)
            || !breakAddsNothing(formatAt(cursor, start + at), formatAt(cursor, start + at - 1)))
            continue;
        cursor.setPosition(start + at + 1);
        cursor.deletePreviousChar();
        cursor.insertBlock(piece, paragraph);
        piece = pieces.inner;
        splitAny = true;
    }
    if (splitAny) {
        cursor.setPosition(start);
        cursor.setBlockFormat(pieces.first);
    }
    return splitAny;
}

// Lays the document out and gives every piece that ended in a line break
// the gap its last line needs, where it does not have it yet.
void closeGaps(QTextDocument &document)
{
    document.documentLayout()->documentSize();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        const QTextLayout *layout = block.layout();
        if (!format.boolProperty(brokenLineProperty) || layout->lineCount() == 0)
            continue;
        const qreal gap = gapAfter(layout->lineAt(layout->lineCount() - 1));
        if (format.bottomMargin() == gap)
            continue;
        format.setBottomMargin(gap);
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
    }
    cursor.endEditBlock();
}

// The gap after a line of letters in `letters`, measured on a small
// document of the same paragraph.
qreal measureGap(const QTextDocument &document, const QTextCharFormat &letters)
{
    QTextDocument probe;
    probe.setDocumentMargin(document.documentMargin());
    probe.setPageSize(document.pageSize());
    QTextCursor cursor(&probe);
    cursor.setBlockFormat(document.firstBlock().blockFormat());
    cursor.setBlockCharFormat(document.firstBlock().charFormat());
    cursor.insertText(QStringLiteral("x"), letters);
    probe.documentLayout()->documentSize();
    return gapAfter(probe.firstBlock().layout()->lineAt(0));
}

} // namespace

bool splitHtmlOneParagraphPerLine(QTextDocument &document, const QString &html)
{
    document.setHtml(html);
    // Tables and frames lay out the paragraphs around them in ways of
    // their own (an empty paragraph before a table hides in its border):
    // such a page is left as Qt made it.
    if (!document.rootFrame()->childFrames().isEmpty())
        return false;

    document.setUndoRedoEnabled(false);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    bool split = false;
    for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        if (!block.textList() && text.contains(QChar::LineSeparator))
            split = splitBlock(cursor, block, text) || split;
    }
    cursor.endEditBlock();
    return split;
}

void closeLineGaps(QTextDocument &document)
{
    closeGaps(document);
}

void setHtmlOneParagraphPerLine(QTextDocument &document, const QString &html)
{
    if (splitHtmlOneParagraphPerLine(document, html))
        closeGaps(document);
}

bool readsAsItself(const QString &text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('<') || c == QLatin1Char('&')
            || (c != QLatin1Char(' ') && c != QLatin1Char('\n') && (c.isSpace() || c.unicode() < 0x20)))
            return false;
    }
    return true;
}

void setPlainPage(QTextDocument &document, const QString &sample, QString text)
{
    setPlainPagePart(document, sample, std::move(text), true, true);
}

void setPlainPagePart(QTextDocument &document, const QString &sample, QString text, bool first, bool last)
{
    document.setHtml(sample);
    document.setUndoRedoEnabled(false);
    const QTextBlock sampleBlock = document.firstBlock();
    const QTextCharFormat paragraph = sampleBlock.charFormat();
    const QTextBlockFormat original = sampleBlock.blockFormat();
    QTextCursor cursor(&document);
    cursor.setPosition(sampleBlock.position() + 1);
    const QTextCharFormat letters = cursor.charFormat();

    // The text as the page holds it: spaces that do not fold, and a line
    // break for every line feed that ends an empty line; the others end
    // pieces of the paragraph. A part of the text ends where a piece
    // ends, so the whole has pieces.
    text.replace(QLatin1Char(' '), QChar::Nbsp);
    bool pieces = !(first && last);
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('\n'))
            continue;
        if (emptyLineAt(text, i))
            text[i] = QChar::LineSeparator;
        else
            pieces = true;
    }
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    if (!pieces) {
        cursor.insertText(text, letters);
        cursor.endEditBlock();
        return;
    }
    // Every piece with the gap that lines of these letters need; closeGaps
    // then mends the lines that took another font for a character these
    // letters lack.
    const PieceFormats formats = piecesOf(original, measureGap(document, letters));
    cursor.setBlockFormat(formats.inner);
    cursor.insertText(text, letters);
    cursor.select(QTextCursor::Document);
    cursor.setBlockCharFormat(paragraph);
    if (last) {
        cursor.setPosition(document.lastBlock().position());
        cursor.setBlockFormat(formats.last);
    }
    if (first) {
        cursor.setPosition(0);
        cursor.setBlockFormat(formats.first);
    }
    cursor.endEditBlock();
    closeGaps(document);
}

namespace {

// Longer than any line on a page, and short enough that Qt's look-ahead
// over it costs little.
const int longestBreaklessRun = 2000;

// True when somewhere the text runs for longestBreaklessRun characters with
// no place to break a line. Runs of letters are found first; only those
// long enough are asked where Unicode would break them.
bool hasBreaklessRun(const QString &text)
{
    int runStart = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i).isSpace()) {
            runStart = i + 1;
            continue;
        }
        if (i - runStart < longestBreaklessRun)
            continue;
        // The run goes on from the last place it can break.
        QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text.constData() + runStart,
                                   longestBreaklessRun + 1);
        int lastBreak = 0;
        for (int at = breaks.toNextBoundary(); at > 0 && at < longestBreaklessRun;
             at = breaks.toNextBoundary())
            lastBreak = at;
        if (lastBreak == 0)
            return true;
        runStart += lastBreak;
    }
    return false;
}

} // namespace

void wrapAnywhereIfUnbreakable(QTextDocument &document, const QString &text)
{
    if (!hasBreaklessRun(text))
        return;
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAnywhere);
    document.setDefaultTextOption(option);
}

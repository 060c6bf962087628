#ifndef ORVANE_PAGE_PAINTER_H
#define ORVANE_PAGE_PAINTER_H

#include <QtGlobal>

#include <functional>

class QPagedPaintDevice;
class QTextDocument;

// What a page road prints, handed to the painter a piece at a time. Qt
// keeps the positions of a document's lines in fixed point, which
// overflows some 33 million pixels down: near 2 million short lines, a
// report laid out as one document comes out as one blank page. So it is
// laid out as documents of some thousands of paragraphs, of which only one
// is held at a time, and each piece after the first begins with a
// paragraph that begins a page of the piece before it: Qt lays out the
// rest of the text the same from there, and the pages come out as from
// the whole.
class PageSource
{
public:
    // How much one piece holds: at least `least` paragraphs (fewer only at
    // the end of the text), then more while fewer than `most` and fewer
    // than `characters` characters.
    struct Size {
        int least;
        int most;
        int characters;
    };

    virtual ~PageSource() = default;

    // The document of the paragraphs from the one that begins at `start`
    // (0: the first) on, as the whole document would hold them, without
    // the painter's own settings. The source keeps it, until the next call.
    virtual QTextDocument *piece(int start, const Size &size) = 0;
    // How many paragraphs the last piece holds.
    virtual int paragraphs() const = 0;
    // True when the last piece goes on to the end of the text.
    virtual bool reachesEnd() const = 0;
    // The `start` of the last piece's block number `block`, or -1 when no
    // piece may begin with that block.
    virtual int startOf(int block) const = 0;
    // Moves on to the next section of the text, which begins a page of its
    // own (the text had a form feed there); its pieces are counted from 0
    // again. False when there is none.
    virtual bool nextSection() { return false; }
};

struct PieceLimits {
    int paragraphs = 16384;
    int characters = 1 << 20;
    // No piece is laid out taller than this, in the document's pixels:
    // well inside both limits above, and above the 1,500 pages of a file of
    // one 10 MB line.
    qreal height = 1 << 22;
};

// Paragraphs that Qt paints with nothing but their text: no frame, table,
// list, background or rule anywhere. Only such a document is split.
bool onlyPlainParagraphs(const QTextDocument &document);

// Prints the pieces as QTextDocument::print prints the whole document: the
// same scale, and for a document without a page size the same 2 cm
// margins and page numbers. A piece of plain paragraphs is painted a page
// at a time, each page with only the paragraphs that lie on it, where Qt
// walks the whole document for every page.
// False when the painter could not begin or a page could not be added,
// when `abandoned` said so between pages, or, with a line on the
// diagnostics, when a piece cannot be kept within limits.height: a
// paragraph taller than that, paragraphs none of which begins a page for
// longer than that, or a table or list that long, which is never split.
bool paintPages(PageSource &source, QPagedPaintDevice *printer, const std::function<bool()> &abandoned = {},
                const PieceLimits &limits = PieceLimits());

#endif

#ifndef ORVANE_PAGE_PAINTER_H
#define ORVANE_PAGE_PAINTER_H

class QPagedPaintDevice;
class QTextDocument;

// Prints the document as QTextDocument::print does: the same scale, and for
// a document without a page size the same 2 cm margins and page numbers.
// But it works on the document itself rather than on a copy, and paints on
// each page only the paragraphs that lie on it, where Qt walks the whole
// document for every page; a report of thousands of pages costs time in
// proportion to its size. A document with tables, frames, lists or
// decorated paragraphs is left to QTextDocument::print.
// False when the painter could not begin on the printer.
bool paintPages(QTextDocument &document, QPagedPaintDevice *printer);

#endif

#ifndef ORVANE_LINE_BLOCKS_H
#define ORVANE_LINE_BLOCKS_H

#include <QString>

class QTextDocument;

// The "alto" page puts every line of the file in one paragraph, a line
// break per line. Qt lays out and repaints a paragraph as a whole, so a
// long report costs time growing with the square of its size. These build
// the page with a paragraph per line instead, laid out exactly where Qt
// lays out the lines of the single paragraph.

// Reads the page as setHtml does, then turns its line breaks into
// paragraph breaks. Tables, frames and list items keep their line breaks.
void setHtmlOneParagraphPerLine(QTextDocument &document, const QString &html);

// True when the file's text reads in the page as itself, spaces as
// non-breaking spaces and line feeds as line breaks: no markup, no entity,
// no white space that HTML would fold.
bool readsAsItself(const QString &text);

// The page for such a text, without parsing megabytes of HTML: `sample` is
// the page of a one-letter file, which gives the fonts and paragraph of
// the template.
void setPlainPage(QTextDocument &document, const QString &sample, QString text);

// Qt wraps a long line at word boundaries by looking ahead, from every line
// it starts, for the next place to break: a run of thousands of characters
// with no such place (a file of one 10 MB word) takes hours. A document
// with such a run is wrapped anywhere instead, as Qt does within the run.
void wrapAnywhereIfUnbreakable(QTextDocument &document, const QString &text);

#endif

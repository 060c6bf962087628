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

// The same in two steps, so that a long page is laid out only a piece at a
// time: the split leaves every paragraph it made without the gap its last
// line needs (true when it made any), closeLineGaps gives them that gap;
// it lays the document out, and each paragraph's gap is its own, so it may
// as well be given to pieces of the page copied paragraph by paragraph.
bool splitHtmlOneParagraphPerLine(QTextDocument &document, const QString &html);
void closeLineGaps(QTextDocument &document);

// True when the file's text reads in the page as itself, spaces as
// non-breaking spaces and line feeds as line breaks: no markup, no entity,
// no white space that HTML would fold.
bool readsAsItself(const QString &text);

// The page for such a text, without parsing megabytes of HTML: `sample` is
// the page of a one-letter file, which gives the fonts and paragraph of
// the template.
void setPlainPage(QTextDocument &document, const QString &sample, QString text);

// The same for a part of such a text that begins and ends where the page
// would have a paragraph break (it ends before the line feed that breaks):
// the part is laid out as the whole page would lay it out. `first` and
// `last` tell whether the part begins and ends the text.
void setPlainPagePart(QTextDocument &document, const QString &sample, QString text, bool first, bool last);

// Qt wraps a long line at word boundaries by looking ahead, from every line
// it starts, for the next place to break: a run of thousands of characters
// with no such place (a file of one 10 MB word) takes hours. A document
// with such a run is wrapped anywhere instead, as Qt does within the run.
void wrapAnywhereIfUnbreakable(QTextDocument &document, const QString &text);

#endif

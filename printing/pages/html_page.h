#ifndef ORVANE_HTML_PAGE_H
#define ORVANE_HTML_PAGE_H

#include <QByteArray>

// The page printed at level "alto": the file's text, with every LF as
// "<br>" and every space as "&nbsp;" (nothing else is escaped, so markup in
// the file takes effect), inside a font element of the given pixel size,
// family and weight. The file's text is put in after the template is
// filled, so "#font-size#" in the file prints as written. A null array
// means the page would not fit in memory.
QByteArray buildHtmlPage(const QByteArray &text, int fontSize, const QByteArray &fontFace, bool bold);

#endif

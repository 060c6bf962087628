#ifndef ORVANE_PAGE_PIECES_H
#define ORVANE_PAGE_PIECES_H

#include "page_painter.h"

#include <QSizeF>
#include <QString>
#include <QTextOption>
#include <QVector>

#include <memory>

class QTextDocument;

// The pieces of the page roads' documents, each piece built as the whole
// document would hold its paragraphs. Paragraphs are counted from the
// text's first, and a piece's `start` is where its first paragraph begins.

// Plain text as QTextDocument::setPlainText reads it, a paragraph for each
// line, wrapped as `option` says: the "medio" road's framed file.
class PlainTextPieces : public PageSource
{
public:
    PlainTextPieces(QString text, const QTextOption &option);
    ~PlainTextPieces() override;

    QTextDocument *piece(int start, const Size &size) override;
    int paragraphs() const override { return count; }
    bool reachesEnd() const override { return toEnd; }
    int startOf(int block) const override { return starts.value(block, -1); }

private:
    const QString text;
    const QTextOption option;
    std::unique_ptr<QTextDocument> document;
    QVector<int> starts;
    int count = 0;
    bool toEnd = false;
};

// The "alto" page of a text that reads as itself, as setPlainPage builds
// it, on a document with the page size, margin and text option of
// `settings`. Its paragraphs are the pieces setPlainPage makes of the text.
class PlainPagePieces : public PageSource
{
public:
    PlainPagePieces(const QTextDocument &settings, QString sample, QString text);
    ~PlainPagePieces() override;

    QTextDocument *piece(int start, const Size &size) override;
    int paragraphs() const override { return count; }
    bool reachesEnd() const override { return toEnd; }
    int startOf(int block) const override { return starts.value(block, -1); }

private:
    const QSizeF pageSize;
    const qreal margin;
    const QTextOption option;
    const QString sample;
    const QString text;
    std::unique_ptr<QTextDocument> document;
    QVector<int> starts;
    int count = 0;
    bool toEnd = false;
};

// A document already built. It is the one piece when it fits in one or
// holds more than plain paragraphs; else its paragraphs are copied into
// pieces, with their formats. With `gapsOpen` (the document was split by
// splitHtmlOneParagraphPerLine, which made some paragraph) every piece has
// its gaps closed by closeLineGaps, so that the long document itself is
// never laid out.
class DocumentPieces : public PageSource
{
public:
    explicit DocumentPieces(QTextDocument &document, bool gapsOpen = false);
    ~DocumentPieces() override;

    QTextDocument *piece(int start, const Size &size) override;
    int paragraphs() const override { return count; }
    bool reachesEnd() const override { return toEnd; }
    int startOf(int block) const override { return first + block; }

private:
    QTextDocument &whole;
    bool gapsOpen;
    const bool splittable;
    std::unique_ptr<QTextDocument> copy;
    int first = 0;
    int count = 0;
    bool toEnd = false;
};

#endif

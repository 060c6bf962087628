#ifndef ORVANE_PAGE_PIECES_H
#define ORVANE_PAGE_PIECES_H

#include "page_painter.h"

#include <QSizeF>
#include <QString>
#include <QTextOption>
#include <QVector>

#include <functional>
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

// A text that form feeds cut into sections: the pieces of each section in
// turn, made when the section is reached, every section beginning a page.
class SectionedPages : public PageSource
{
public:
    // The pieces of section `index`; null when they cannot be made (the
    // section would not fit in memory).
    using MakeSection = std::function<std::unique_ptr<PageSource>(int index)>;

    SectionedPages(int sections, MakeSection make);
    ~SectionedPages() override;

    // False once a section could not be made: the print is incomplete.
    bool whole() const { return !failed; }

    QTextDocument *piece(int start, const Size &size) override { return current->piece(start, size); }
    int paragraphs() const override { return current->paragraphs(); }
    bool reachesEnd() const override { return current->reachesEnd(); }
    int startOf(int block) const override { return current->startOf(block); }
    bool nextSection() override;

private:
    const int sections;
    const MakeSection make;
    std::unique_ptr<PageSource> current;
    int index = 0;
    bool failed = false;
};

// Holds the document of OwnDocumentPieces, made before the pieces and
// destroyed after them.
struct DocumentOwner {
    std::unique_ptr<QTextDocument> owned;
};

// DocumentPieces of a document of their own.
class OwnDocumentPieces : private DocumentOwner, public DocumentPieces
{
public:
    OwnDocumentPieces(std::unique_ptr<QTextDocument> document, bool gapsOpen);
    ~OwnDocumentPieces() override;
};

#endif

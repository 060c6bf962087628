#include "page_pieces.h"

#include "line_blocks.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

#include <utility>

namespace {

// Counts the paragraphs that go into a piece.
class Budget
{
public:
    explicit Budget(const PageSource::Size &size)
        : size(size)
    {
    }

    // Counts one more paragraph; false once the piece has enough.
    bool take(int length)
    {
        ++taken;
        // A paragraph too long for a piece by itself does not end one: the
        // piece goes on past it, to paragraphs that may begin a page.
        characters = length >= size.characters ? 0 : characters + length;
        return taken < size.least || (taken < size.most && characters < size.characters);
    }

    int count() const { return taken; }

private:
    const PageSource::Size size;
    int taken = 0;
    int characters = 0;
};

// The length of what ends a paragraph at `at` for QTextCursor::insertText,
// as setPlainText reads a text; 0 when nothing ends there.
int paragraphEndAt(const QString &text, int at)
{
    const QChar c = text.at(at);
    if (c == QLatin1Char('\r'))
        return at + 1 < text.size() && text.at(at + 1) == QLatin1Char('\n') ? 2 : 1;
    return c == QLatin1Char('\n') || c == QChar::ParagraphSeparator || c.unicode() == 0xFDD0
                   || c.unicode() == 0xFDD1
               ? 1
               : 0;
}

} // namespace

PlainTextPieces::PlainTextPieces(QString text, const QTextOption &option)
    : text(std::move(text))
    , option(option)
{
}

PlainTextPieces::~PlainTextPieces() = default;

QTextDocument *PlainTextPieces::piece(int start, const Size &size)
{
    document.reset();
    starts = {start};
    Budget budget(size);
    int end = text.size();
    toEnd = true;
    for (int at = start, paragraph = start; at < text.size();) {
        const int ending = paragraphEndAt(text, at);
        if (ending == 0) {
            ++at;
            continue;
        }
        if (!budget.take(at - paragraph)) {
            end = at;
            toEnd = false;
            break;
        }
        at += ending;
        paragraph = at;
        starts.append(at);
    }
    if (toEnd)
        budget.take(0);
    count = budget.count();

    document = std::make_unique<QTextDocument>();
    document->setDefaultTextOption(option);
    document->setPlainText(text.mid(start, end - start));
    return document.get();
}

PlainPagePieces::PlainPagePieces(const QTextDocument &settings, QString sample, QString text)
    : pageSize(settings.pageSize())
    , margin(settings.documentMargin())
    , option(settings.defaultTextOption())
    , sample(std::move(sample))
    , text(std::move(text))
{
}

PlainPagePieces::~PlainPagePieces() = default;

QTextDocument *PlainPagePieces::piece(int start, const Size &size)
{
    document.reset();
    starts = {start};
    Budget budget(size);
    int end = text.size();
    toEnd = true;
    for (int at = start, paragraph = start; at < text.size(); ++at) {
        const QChar c = text.at(at);
        // The line feeds that end an empty line stay in the paragraph.
        if (c == QLatin1Char('\n') && at > 0 && text.at(at - 1) != QLatin1Char('\n')) {
            if (!budget.take(at - paragraph)) {
                end = at;
                toEnd = false;
                break;
            }
            paragraph = at + 1;
            starts.append(paragraph);
        } else if (c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1) {
            // Qt's marks of a frame end a paragraph too, where no piece
            // may begin: the next line feed would read otherwise.
            starts.append(-1);
        }
    }
    if (toEnd)
        budget.take(0);
    count = budget.count();

    document = std::make_unique<QTextDocument>();
    document->setPageSize(pageSize);
    document->setDocumentMargin(margin);
    document->setDefaultTextOption(option);
    setPlainPagePart(*document, sample, text.mid(start, end - start), start == 0, toEnd);
    return document.get();
}

DocumentPieces::DocumentPieces(QTextDocument &document, bool gapsOpen)
    : whole(document)
    , gapsOpen(gapsOpen)
    , splittable(onlyPlainParagraphs(document))
{
}

DocumentPieces::~DocumentPieces() = default;

QTextDocument *DocumentPieces::piece(int start, const Size &size)
{
    copy.reset();
    first = start;
    const QTextBlock from = whole.findBlockByNumber(start);
    QTextBlock to = from;
    Budget budget(size);
    toEnd = true;
    if (splittable) {
        for (; to.isValid(); to = to.next()) {
            if (!budget.take(to.length())) {
                to = to.next();
                toEnd = !to.isValid();
                break;
            }
        }
    }
    count = splittable ? budget.count() : whole.blockCount();

    if (start == 0 && toEnd) {
        if (std::exchange(gapsOpen, false))
            closeLineGaps(whole);
        return &whole;
    }

    // The paragraphs with their formats, in a document of the same page.
    copy = std::make_unique<QTextDocument>();
    copy->setUndoRedoEnabled(false);
    copy->setDefaultFont(whole.defaultFont());
    copy->setDefaultTextOption(whole.defaultTextOption());
    copy->setIndentWidth(whole.indentWidth());
    copy->setPageSize(whole.pageSize());
    copy->setDocumentMargin(whole.documentMargin());
    copy->rootFrame()->setFrameFormat(whole.rootFrame()->frameFormat());
    QTextCursor cursor(copy.get());
    cursor.beginEditBlock();
    for (QTextBlock block = from; block != to; block = block.next()) {
        if (block == from) {
            cursor.setBlockFormat(block.blockFormat());
            cursor.setBlockCharFormat(block.charFormat());
        } else {
            cursor.insertBlock(block.blockFormat(), block.charFormat());
        }
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            cursor.insertText(fragment.text(), fragment.charFormat());
        }
    }
    cursor.endEditBlock();
    if (gapsOpen)
        closeLineGaps(*copy);
    return copy.get();
}

SectionedPages::SectionedPages(int sections, MakeSection make)
    : sections(sections)
    , make(std::move(make))
    , current(this->make(0))
    , failed(!current)
{
}

SectionedPages::~SectionedPages() = default;

bool SectionedPages::nextSection()
{
    if (failed || index + 1 >= sections)
        return false;
    // Only one section is held at a time.
    current.reset();
    current = make(++index);
    failed = !current;
    return !failed;
}

OwnDocumentPieces::OwnDocumentPieces(std::unique_ptr<QTextDocument> document, bool gapsOpen)
    : DocumentOwner{std::move(document)}
    , DocumentPieces(*owned, gapsOpen)
{
}

OwnDocumentPieces::~OwnDocumentPieces() = default;

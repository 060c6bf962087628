#include "mainwindow.h"
#include "text_framing.h"
#include "ui_mainwindow.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextLength>

namespace {

// The preview is for a glance at the receipt: laying out a report of many
// megabytes would take seconds and hundreds of megabytes while the operator
// waits to print. It shows the file's beginning, up to a whole line; the
// print always takes every byte.
constexpr int previewLimit = 256 * 1024;

QByteArray previewPart(const QByteArray &bytes)
{
    if (bytes.size() <= previewLimit)
        return bytes;
    const int lastLineEnd = bytes.lastIndexOf('\n', previewLimit - 1);
    return bytes.left(lastLineEnd > 0 ? lastLineEnd + 1 : previewLimit);
}

} // namespace

// The size goes first so that the whole plain text takes it.
void MainWindow::showPreview()
{
    on_tamanho_fonte_valueChanged(ui->tamanho_fonte->value());
}

void MainWindow::on_tamanho_fonte_valueChanged(int arg1)
{
    ui->impressao->setFontPointSize(qreal(arg1));
    const QByteArray shown = previewPart(fileData);
    const QList<QByteArray> pages = formFeedPages(shown);
    const QString first = readableText(pages.first());
    // Markup shows as markup, where a form feed is only a space.
    if (Qt::mightBeRichText(first)) {
        ui->impressao->setText(readableText(shown));
        return;
    }
    ui->impressao->setText(first);
    if (pages.size() == 1)
        return;
    // A report's pages with a rule across the preview where the paper
    // starts a new page.
    const QTextCharFormat letters = ui->impressao->currentCharFormat();
    QTextCursor cursor(ui->impressao->document());
    cursor.movePosition(QTextCursor::End);
    QTextBlockFormat pageBreak;
    pageBreak.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                          QTextLength(QTextLength::PercentageLength, 100));
    cursor.beginEditBlock();
    for (int i = 1; i < pages.size(); ++i) {
        cursor.insertBlock(pageBreak, letters);
        cursor.insertBlock(QTextBlockFormat(), letters);
        cursor.insertText(readableText(pages[i]), letters);
    }
    cursor.endEditBlock();
}

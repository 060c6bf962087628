#include "mainwindow.h"
#include "direct_text.h"
#include "receipt_document.h"
#include "receipt_pictures.h"
#include "receipt_reader.h"
#include "text_framing.h"
#include "ui_mainwindow.h"

#include <QFileInfo>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLength>
#include <QFontMetricsF>
#include <QScrollBar>

#include <cmath>

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

// The preview's font at `pointSize`, fixed pitch like the printer's even
// where the form's family is missing.
QFont previewFont(const QTextEdit &preview, int pointSize)
{
    QFont font = preview.font();
    if (pointSize > 0)
        font.setPointSizeF(qreal(pointSize));
    return fixedPitchFont(font);
}

// Lines wrap where the printer wraps them, after `columns` characters, and
// a shorter line never does; a window narrower than that scrolls sideways.
void wrapAtColumns(QTextEdit &preview, const QFont &font, int columns)
{
    const qreal text = QFontMetricsF(font).horizontalAdvance(QString(columns, QLatin1Char('M')));
    preview.setWordWrapMode(QTextOption::WrapAnywhere);
    preview.setLineWrapMode(QTextEdit::FixedPixelWidth);
    preview.setLineWrapColumnOrWidth(int(std::ceil(text + 2 * preview.document()->documentMargin())) + 1);
}

} // namespace

// The size goes first so that the whole plain text takes it.
void MainWindow::showPreview()
{
    on_tamanho_fonte_valueChanged(ui->tamanho_fonte->value());
}

void MainWindow::on_tamanho_fonte_valueChanged(int arg1)
{
    QTextEdit &preview = *ui->impressao;
    const QFont font = previewFont(preview, arg1);
    preview.setFont(fixedPitchFont(preview.font()));
    preview.setFontPointSize(qreal(arg1));
    wrapAtColumns(preview, font, ui->colunas->value());

    // A receipt with tags shows as it prints, its symbols drawn; one whose
    // tags cannot all be carried out shows as text, the status bar saying
    // why.
    const QByteArray shown = previewPart(fileData);
    PrintJob job;
    job.tags = ui->etiquetasComboBox->currentText();
    if (readsTags(job) && shown.size() == fileData.size()) {
        const receipt::ReceiptReading reading = receipt::readReceipt(shown.constData(), size_t(shown.size()), ui->colunas->value(),
                                                                            pictureLoader(QFileInfo(filePath).absolutePath()));
        if (reading.hasTags && !reading.error.isError()) {
            ReceiptLook look;
            look.font = font;
            look.columns = ui->colunas->value();
            look.pixelsPerMm = preview.logicalDpiX() / 25.4;
            look.showCuts = true;
            if (layOutReceipt(*preview.document(), reading.pieces, look).isEmpty()) {
                // The receipt's head first, as a text's.
                preview.moveCursor(QTextCursor::Start);
                preview.verticalScrollBar()->setValue(0);
                return;
            }
        }
    }
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

#include "mainwindow.h"
#include "text_framing.h"
#include "ui_mainwindow.h"

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
    ui->impressao->setText(readableText(previewPart(fileData)));
}

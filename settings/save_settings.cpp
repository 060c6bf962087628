#include "mainwindow.h"
#include "printer_list.h"
#include "settings_io.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>

namespace {

void sayNotSaved(const QString &why, const QString &path)
{
    std::fprintf(stderr, "config.ini não foi salvo: %s: %s\n", qUtf8Printable(why), qUtf8Printable(path));
}

} // namespace

void MainWindow::saveSettings()
{
    using namespace SettingKeys;
    const QString path = settingsFiles.writeTo;
    if (path.isEmpty())
        return; // never initialised: nothing was loaded that could be kept
    qDebug() << path;

    // Writing defaults over a file we could not read would destroy the
    // shop's configuration, or hide the administrator's preset behind the
    // user's own file for good; leave it alone and say why.
    if (!settingsProblem.isEmpty()) {
        sayNotSaved(settingsProblem, settingsFiles.readFrom);
        return;
    }
    const QString problem = settingsFileProblem(path);
    if (!problem.isEmpty()) {
        sayNotSaved(problem, path);
        return;
    }

    QSettings settings(path, QSettings::IniFormat);
    // A writable config.ini in a read-only folder is written in place: the
    // toolkit's atomic save needs to create files beside it.
    settings.setAtomicSyncRequired(false);
    settings.setValue(QLatin1String(margemGeral.name), ui->margem_geral->value());
    settings.setValue(QLatin1String(margemEsquerda.name), ui->margem_esquerda->value());
    settings.setValue(QLatin1String(margemSuperior.name), ui->margem_superior->value());
    settings.setValue(QLatin1String(margemInferior.name), ui->margem_inferior->value());
    settings.setValue(QLatin1String(tamanhoFonte.name), ui->tamanho_fonte->value());
    settings.setValue(QLatin1String(fonteNegrito.name), ui->fonte_negrito->isChecked());
    settings.setValue(QLatin1String(nivel.name), ui->nivelComboBox->currentText());
    settings.setValue(QLatin1String(escritaDireta.name), ui->escritaDiretaComboBox->currentText());
    settings.setValue(QLatin1String(fonte.name), ui->fonteComboBox->currentText());
    settings.setValue(QLatin1String(impressora.name), chosenPrinter(ui->impressoras));
    settings.setValue(QLatin1String(SettingKeys::height.name), this->height());
    settings.setValue(QLatin1String(SettingKeys::width.name), this->width());
    settings.setValue(QLatin1String(SettingKeys::x.name), this->x());
    settings.setValue(QLatin1String(SettingKeys::y.name), this->y());
    settings.setValue(QLatin1String(matricial.name), ui->matricialComboBox->currentText());
    settings.setValue(QLatin1String(cortarPapel.name), ui->cortarPapelComboBox->currentText());
    settings.setValue(QLatin1String(codificacao.name), ui->codificacaoComboBox->currentText());
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return;
    const QString folder = QFileInfo(path).absolutePath();
    if (QFileInfo(folder).isDir())
        sayNotSaved(QStringLiteral("o arquivo não pôde ser gravado"), path);
    else
        sayNotSaved(QStringLiteral("a pasta não pôde ser criada"), folder);
}

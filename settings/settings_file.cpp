#include "settings_file.h"

#include "code_pages.h"
#include "plain_copy_folders.h"
#include "utf16_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cctype>

namespace {

const char *const pathKeys[] = {"escrita_direta", "impressora"};

QString decodeWritten(const QByteArray &bytes)
{
    // UTF-16 says so with its byte-order mark.
    if (startsWithUtf16Mark(bytes))
        return QString::fromUtf8(utf8FromUtf16(bytes));
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    const QString utf8 = QString::fromUtf8(body);
    if (utf8.toUtf8() == body)
        return utf8;
    // Not UTF-8: the code page of Windows in Brazil and Portugal.
    QString text;
    text.reserve(body.size());
    for (const char c : body) {
        const auto byte = static_cast<unsigned char>(c);
        text.append(byte < 0x80 ? QChar(byte) : QChar(windows1252Character(byte)));
    }
    return text;
}

// True when some backslash in the value stands alone, as typed in a path:
// a run of odd length that is not the program's own escape of a letter
// ("\xe7", from the days its files were not UTF-8).
bool hasSingleBackslash(const QString &value)
{
    int run = 0;
    for (int i = 0; i <= value.size(); ++i) {
        if (i < value.size() && value.at(i) == QLatin1Char('\\')) {
            ++run;
            continue;
        }
        const bool letterEscape = i + 1 < value.size() && value.at(i) == QLatin1Char('x')
                                  && std::isxdigit(static_cast<unsigned char>(value.at(i + 1).toLatin1()));
        if (run % 2 == 1 && !letterEscape)
            return true;
        run = 0;
    }
    return false;
}

QString plainLine(const QString &line, bool &inGeral)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
        const QString name = trimmed.mid(1, trimmed.size() - 2);
        inGeral = name.compare(QLatin1String("geral"), Qt::CaseInsensitive) == 0;
        return inGeral ? QStringLiteral("[geral]") : line;
    }
    const int equals = line.indexOf(QLatin1Char('='));
    if (!inGeral || equals < 0)
        return line;
    const QString key = line.left(equals).trimmed();
    for (const char *pathKey : pathKeys) {
        const QString value = line.mid(equals + 1);
        if (key == QLatin1String(pathKey) && hasSingleBackslash(value)) {
            QString escaped = value;
            escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
            return line.left(equals + 1) + escaped;
        }
    }
    return line;
}

std::unique_ptr<QSettings> iniReader(const QString &path)
{
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    settings->setIniCodec("UTF-8");
#endif
    return settings;
}

// The plain copy: a config.ini of its own in a folder of its own, which the
// toolkit may write and replace as it likes (Windows will not let it
// replace a temporary file held by its owner).
QString writeCopy(const QTemporaryDir *folder, const QByteArray &text)
{
    if (!folder || !folder->isValid())
        return QString();
    const QString path = folder->filePath(QStringLiteral("config.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.flush())
        return QString();
    return path;
}

// Writes text over the file at path without a moment in which the file
// holds less than its old text or the whole new one: the room the new
// text needs beyond the old end is taken first, and the old text is only
// overwritten once that succeeded. Empty when written, else why not.
QString writeInPlace(const QString &path, const QByteArray &text)
{
    QFile file(path);
    const auto failed = [&file] {
        return QStringLiteral("o arquivo não pôde ser gravado (%1)").arg(file.errorString());
    };
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadWrite))
        return failed();
    const qint64 old = file.size();
    const qint64 size = text.size();
    if (size > old) {
        const bool room = file.seek(old) && file.write(text.constData() + old, size - old) == size - old
                          && file.flush();
        if (!room) {
            const QString why = failed();
            file.resize(old);
            return why;
        }
    }
    const qint64 overlap = qMin(old, size);
    if (!file.seek(0) || file.write(text.constData(), overlap) != overlap || !file.flush() || !file.resize(size))
        return failed();
    return QString();
}

// A scratch folder of this run in `folder` (the leftovers of killed runs
// removed first); null when the folder takes no new one.
std::unique_ptr<QTemporaryDir> scratchFolderIn(const QString &folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return nullptr;
    removePlainCopiesOfEndedRuns(folder);
    auto scratch = std::make_unique<QTemporaryDir>(plainCopyFolderPattern(folder));
    if (!scratch->isValid())
        return nullptr;
    return scratch;
}

// The temporary folder, only when it is a folder that exists: an unset or
// missing TMPDIR must not put scratch files in the working folder or "/".
QString existingTempFolder()
{
    const QString temp = QDir::tempPath();
    const QFileInfo info(temp);
    if (!info.isAbsolute() || !info.isDir() || QDir(temp).isRoot())
        return QString();
    return temp;
}

QByteArray readBytes(const QString &path, bool *readable)
{
    QFile file(path);
    *readable = QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
    return *readable ? file.readAll() : QByteArray();
}

} // namespace

QByteArray plainSettingsText(const QByteArray &written)
{
    const QStringList lines = decodeWritten(written).split(QLatin1Char('\n'));
    QStringList plain;
    plain.reserve(lines.size());
    bool inGeral = false;
    for (const QString &line : lines)
        plain.append(plainLine(line, inGeral));
    return plain.join(QLatin1Char('\n')).toUtf8();
}

SettingsFile::SettingsFile(const QString &path, const QString &savedTo)
{
    const QFileInfo info(path);
    for (const QString &folder : {info.absolutePath(), savedTo.isEmpty() ? QString() : QFileInfo(savedTo).absolutePath(),
                                  existingTempFolder()}) {
        if (path.isEmpty() || (plainCopy = scratchFolderIn(folder)))
            break;
    }
    bool readable = false;
    const QByteArray written = info.exists() ? readBytes(path, &readable) : QByteArray();
    if (info.exists() && !readable)
        why = QStringLiteral("o arquivo existe mas não pode ser lido");
    const QString copy = why.isEmpty() ? writeCopy(plainCopy.get(), plainSettingsText(written)) : QString();
    if (copy.isEmpty()) {
        // No copy to read: the file as the toolkit reads it, or nothing.
        reader = iniReader(why.isEmpty() ? path : QString());
        return;
    }
    reader = iniReader(copy);
    // In a GUI application the file is only parsed on first use.
    reader->allKeys();
    if (info.exists() && reader->status() == QSettings::FormatError)
        why = QStringLiteral("o arquivo está malformado");
}

namespace {

QString replaceWith(const QString &path, const QByteArray &text)
{
    // The new text goes beside the old and replaces it only when it is
    // whole: a full disk or a quota leaves the old file as it was.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (file.open(QIODevice::WriteOnly)) {
        // The toolkit's commit() renames a file whose last bytes did not
        // fit on the disk, and says it succeeded: the flush is asked first.
        if (file.write(text) == text.size() && file.flush() && file.commit())
            return QString();
        const QString why = file.errorString();
        file.cancelWriting();
        file.commit();
        return QStringLiteral("o arquivo não pôde ser gravado (%1)").arg(why);
    }
    // A folder that takes no new file (read-only, or full): config.ini
    // itself, if it may be written, in place.
    return writeInPlace(path, text);
}

QString copyNotWritten()
{
    return QStringLiteral("a cópia temporária não pôde ser gravada");
}

// The values written over the plain copy in `scratch`, then the copy's text
// in config.ini's place.
QString writeThroughCopy(std::unique_ptr<QTemporaryDir> scratch, const QString &path, const QByteArray &written,
                         const QList<QPair<QString, QVariant>> &values)
{
    const QString copy = writeCopy(scratch.get(), plainSettingsText(written));
    if (copy.isEmpty())
        return copyNotWritten();
    {
        const std::unique_ptr<QSettings> settings = iniReader(copy);
        settings->setAtomicSyncRequired(false);
        for (const auto &value : values)
            settings->setValue(value.first, value.second);
        settings->sync();
        if (settings->status() != QSettings::NoError)
            return QStringLiteral("a cópia temporária não pôde ser gravada");
    }
    bool copyReadable = false;
    const QByteArray text = readBytes(copy, &copyReadable);
    if (!copyReadable)
        return QStringLiteral("o arquivo não pôde ser gravado");
    return replaceWith(path, text);
}

} // namespace

QString writeSettings(const QString &path, const QList<QPair<QString, QVariant>> &values)
{
    const QFileInfo info(path);
    if (info.isSymLink() && !info.exists())
        return QStringLiteral("o arquivo é um link para um arquivo que não existe");
    bool readable = false;
    const QByteArray written = info.exists() ? readBytes(path, &readable) : QByteArray();
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("a pasta não pôde ser criada");
    const QString why = writeThroughCopy(scratchFolderIn(folder), path, written, values);
    if (why != copyNotWritten())
        return why;
    // A folder that takes no new file (read-only, or full), where config.ini
    // itself may be written in place: the copy goes to the temporary
    // folder, if any, and the save says what config.ini's own folder did.
    return writeThroughCopy(scratchFolderIn(existingTempFolder()), path, written, values);
}

#include "file_argument.h"
#include "utf16_text.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

FileArgument::FileArgument(const QString &path)
    : text(path)
{
}

FileArgument FileArgument::fromCommandLine(int argc, char **argv)
{
#ifdef Q_OS_WIN
    // argv holds the arguments in the ANSI code page, where "º" or any
    // letter outside it is lost; Qt keeps them from the wide command line.
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return FileArgument(QCoreApplication::arguments().value(1));
#else
    if (argc < 2)
        return FileArgument();
    const QByteArray bytes(argv[1]);
    FileArgument argument(QFile::decodeName(bytes));
    if (QFile::encodeName(argument.text) != bytes)
        argument.nativeName = bytes;
    return argument;
#endif
}

namespace {

// Qt 5 holds just under 2 GiB in one array, and reads a larger file as
// empty, with no error: a file too large is refused, never printed short.
const qint64 largestFile = qint64(std::numeric_limits<int>::max()) - 64;

QString notRegular(const QString &kind)
{
    return QStringLiteral("não é um arquivo comum (%1)").arg(kind);
}

QString unreadable(const QString &reason)
{
    return QStringLiteral("não pôde ser lido: %1").arg(reason);
}

#ifndef Q_OS_WIN
QString kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return notRegular(QStringLiteral("FIFO"));
    if (S_ISDIR(mode))
        return notRegular(QStringLiteral("pasta"));
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return notRegular(QStringLiteral("dispositivo"));
    if (S_ISSOCK(mode))
        return notRegular(QStringLiteral("socket"));
    return notRegular(QStringLiteral("tipo desconhecido"));
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
#endif

} // namespace

qint64 FileArgument::limitMb()
{
    return largestFile / (1024 * 1024);
}

// Opens the file read-only, in binary: the carriage returns are dropped
// after reading.
bool FileArgument::open(QFile &file, QString &refusal) const
{
    const QIODevice::OpenMode mode = QIODevice::ReadOnly;
    if (text.isEmpty() && nativeName.isEmpty()) {
        refusal = QStringLiteral("nenhum arquivo foi indicado");
        return false;
    }
#ifndef Q_OS_WIN
    // The bytes themselves, without waiting on a FIFO that nobody writes:
    // the text form may name another file.
    const QByteArray name = nativeName.isEmpty() ? QFile::encodeName(text) : nativeName;
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        refusal = unreadable(systemReason(errno));
        return false;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0) {
        refusal = unreadable(systemReason(errno));
        ::close(fd);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        refusal = kindOf(status.st_mode);
        ::close(fd);
        return false;
    }
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        refusal = unreadable(file.errorString());
        ::close(fd);
        return false;
    }
    return true;
#else
    // Opening a device gives no end.
    const QFileInfo info(text);
    if (!info.exists()) {
        refusal = unreadable(QStringLiteral("o arquivo não existe"));
        return false;
    }
    if (info.isDir()) {
        refusal = notRegular(QStringLiteral("pasta"));
        return false;
    }
    if (!info.isFile()) {
        refusal = notRegular(QStringLiteral("dispositivo"));
        return false;
    }
    file.setFileName(text);
    if (!file.open(mode)) {
        refusal = unreadable(file.errorString());
        return false;
    }
    return true;
#endif
}

bool FileArgument::read(QByteArray &data, QString *refusal) const
{
    QString why;
    const bool whole = readWhole(data, why);
    if (!whole && refusal)
        *refusal = QStringLiteral("arquivo inválido: ") + why;
    return whole;
}

bool FileArgument::readWhole(QByteArray &data, QString &refusal) const
{
    QFile file;
    if (!open(file, refusal))
        return false;
    if (file.isSequential()) {
        refusal = notRegular(QStringLiteral("sequencial"));
        return false;
    }
    const qint64 size = file.size();
    if (size > largestFile) {
        refusal = QStringLiteral("maior que o limite de %1 MB").arg(limitMb());
        return false;
    }
    data = file.readAll();
    if (data.size() < size || file.error() != QFileDevice::NoError) {
        refusal = unreadable(file.error() != QFileDevice::NoError ? file.errorString()
                                                                  : QStringLiteral("o arquivo encolheu durante a leitura"));
        data.clear();
        return false;
    }
    // UTF-16 becomes UTF-8 before the carriage returns go: in UTF-16 a
    // 0x0D byte may be half of any character.
    if (startsWithUtf16Mark(data)) {
        data = utf8FromUtf16(data);
        if (data.isNull()) {
            refusal = unreadable(QStringLiteral("UTF-16 inválido"));
            return false;
        }
    }
    data.resize(int(std::remove(data.begin(), data.end(), '\r') - data.begin()));
    return true;
}

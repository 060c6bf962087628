#include "file_argument.h"
#include "utf16_text.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
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

// Opens the file read-only, in binary: the carriage returns are dropped
// after reading.
bool FileArgument::open(QFile &file) const
{
    const QIODevice::OpenMode mode = QIODevice::ReadOnly;
#ifndef Q_OS_WIN
    if (!nativeName.isEmpty()) {
        // The text form would name another file: open the bytes themselves,
        // without waiting on a FIFO that nobody writes.
        const int fd = ::open(nativeName.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat status;
        if (fd < 0)
            return false;
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)
            || !file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return false;
        }
        return true;
    }
#endif
    if (text.isEmpty())
        return false;
    // Opening a FIFO would wait for a writer, and a device gives no end.
    const QFileInfo info(text);
    if (!info.isFile())
        return false;
    file.setFileName(text);
    return file.open(mode);
}

bool FileArgument::read(QByteArray &data) const
{
    QFile file;
    if (!open(file) || file.isSequential())
        return false;
    // Qt 5 holds just under 2 GiB in one array, and reads a larger file as
    // empty, with no error: a file too large is refused, never printed short.
    const qint64 size = file.size();
    if (size > qint64(std::numeric_limits<int>::max()) - 64)
        return false;
    data = file.readAll();
    if (data.size() < size || file.error() != QFileDevice::NoError) {
        data.clear();
        return false;
    }
    // UTF-16 becomes UTF-8 before the carriage returns go: in UTF-16 a
    // 0x0D byte may be half of any character.
    if (startsWithUtf16Mark(data)) {
        data = utf8FromUtf16(data);
        if (data.isNull())
            return false;
    }
    data.resize(int(std::remove(data.begin(), data.end(), '\r') - data.begin()));
    return true;
}

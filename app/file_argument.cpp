#include "file_argument.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

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

bool FileArgument::open(QFile &file) const
{
    const QIODevice::OpenMode mode = QIODevice::ReadOnly | QIODevice::Text;
#ifndef Q_OS_WIN
    if (!nativeName.isEmpty()) {
        // The text form would name another file: open the bytes themselves.
        const int fd = ::open(nativeName.constData(), O_RDONLY | O_CLOEXEC);
        struct stat status;
        if (fd < 0)
            return false;
        if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)
            || !file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return false;
        }
        return true;
    }
#endif
    if (text.isEmpty())
        return false;
    file.setFileName(text);
    return file.open(mode);
}

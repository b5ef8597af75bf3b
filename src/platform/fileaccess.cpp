#include "platform/fileaccess.h"

#include "platform/nativepath.h"
#include "platform/testhooks.h"

#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool PathAttributesReadable(const QString &path)
{
    if (const auto accessTest = ActiveTestHooks().accessTest)
        return accessTest(path);
    QByteArray native;
    if (!detail::ToNative(path, native) || native.isEmpty())
        return false;
    struct stat st;
    // Attributes belong to the path itself: a dangling symlink has them too.
    return ::stat(native.constData(), &st) == 0 || ::lstat(native.constData(), &st) == 0;
}

bool AccessTestReplaced()
{
    return ActiveTestHooks().accessTest != nullptr;
}

bool OpenNetworkEnumeration(const QString &path)
{
    if (const auto networkOpen = ActiveTestHooks().networkOpen)
        return networkOpen(path);
    QByteArray native;
    if (!detail::ToNative(path, native) || native.isEmpty())
        return false;
    DIR *dir = ::opendir(native.constData());
    if (!dir)
        return false;
    ::closedir(dir);
    return true;
}

void IgnoreFileSizeSignal()
{
    static const bool done = [] {
        struct sigaction current;
        if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            struct sigaction ignore = {};
            ignore.sa_handler = SIG_IGN;
            sigemptyset(&ignore.sa_mask);
            ::sigaction(SIGXFSZ, &ignore, nullptr);
        }
        return true;
    }();
    (void)done;
}

bool IsDirectory(const QString &path)
{
    QByteArray native;
    if (!detail::ToNative(path, native) || native.isEmpty())
        return false;
    struct stat st;
    return ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const QString &path)
{
    QByteArray native;
    if (!detail::ToNative(path, native) || native.isEmpty())
        return false;
    return ::mkdir(native.constData(), 0777) == 0;
}

QString ResolvedPath(const QString &path)
{
    QByteArray native;
    if (!detail::ToNative(path, native) || native.isEmpty())
        return QString();
    char *resolved = ::realpath(native.constData(), nullptr);
    if (!resolved)
        return QString();
    const QString result = FromNative(resolved, qsizetype(std::strlen(resolved)));
    std::free(resolved);
    return result;
}

} // namespace platform

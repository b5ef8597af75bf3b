#include "platform/desktop.h"

#include "platform/nativepath.h"
#include "platform/testhooks.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

namespace platform {

namespace {
// Long enough for a file manager that is started by the call itself.
constexpr int CallTimeoutMilliseconds = 10000;
} // namespace

void OpenWithDesktop(const QString &path)
{
    if (const auto &opener = ActiveTestHooks().opener)
        opener(path);
    else
        QDesktopServices::openUrl(LocalFileUrl(path));
}

void ShowInFileManager(const QString &path, const QString &folder)
{
    if (const auto &folderOpener = ActiveTestHooks().folderOpener) {
        folderOpener(path);
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        OpenWithDesktop(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromLatin1(LocalFileUrl(path).toEncoded())} << QString();
    // Asynchronous: the answer may take a while, and a search may be running.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, CallTimeoutMilliseconds));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder](QDBusPendingCallWatcher *finished) {
                         finished->deleteLater();
                         if (finished->isError())
                             OpenWithDesktop(folder);
                     });
}

} // namespace platform

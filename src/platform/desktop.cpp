#include "platform/desktop.h"

#include "platform/nativepath.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QUrl>

namespace platform {

namespace {
// Long enough for a file manager that is started by the call itself.
constexpr int CallTimeoutMilliseconds = 10000;
} // namespace

void ShowInFileManager(const QString &path, std::function<void(bool shown)> done)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        done(false);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromLatin1(LocalFileUrl(path).toEncoded())} << QString();
    // Asynchronous: the answer may take a while, and a search may be running.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, CallTimeoutMilliseconds));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [done = std::move(done)](QDBusPendingCallWatcher *finished) {
                         finished->deleteLater();
                         done(!finished->isError());
                     });
}

} // namespace platform

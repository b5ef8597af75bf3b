#include "common/host.h"

#include "common/resultline.h"

namespace common {

namespace {

// Used until the main window installs itself (and by code run without
// windows): lines go nowhere, nothing ever stops.
class SilentHost : public Host {
public:
    void AppendLine(const QString &) override {}
    bool StopRequested() const override { return false; }
    void Yield() override {}
};

SilentHost g_silentHost;
Host *g_host = nullptr;

} // namespace

Host &CurrentHost()
{
    return g_host ? *g_host : static_cast<Host &>(g_silentHost);
}

void SetHost(Host *host)
{
    g_host = host;
}

void ReportError(const char *name)
{
    // The report itself must never become a second failure.
    try {
        CurrentHost().AppendLine(ErrorLine(QString::fromLatin1(name)));
    } catch (...) {
    }
}

} // namespace common

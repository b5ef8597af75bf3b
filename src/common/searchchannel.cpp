#include "common/searchchannel.h"

#include "common/resultline.h"

namespace common {

namespace {

class Silent : public SearchChannel {
public:
    void AppendLine(const QString &) override {}
    void Yield() override {}
    bool StopRequested() const override { return false; }
    void SetStatus(const QString &) override {}
};

} // namespace

SearchChannel &SilentChannel()
{
    static Silent silent;
    return silent;
}

void ReportError(SearchChannel &channel, const char *name)
{
    channel.AppendLine(ErrorLine(QString::fromLatin1(name)));
}

} // namespace common

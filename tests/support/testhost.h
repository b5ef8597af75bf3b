#pragma once
// A common::Host for tests: records every line, counts yields, and can
// run a callback at a chosen yield (to press "cancel" at an exact moment,
// or to change the file system under a running procedure).

#include "common/host.h"

#include <QStringList>
#include <functional>

class TestHost : public common::Host {
public:
    TestHost() { common::SetHost(this); }
    ~TestHost() override { common::SetHost(nullptr); }

    void AppendLine(const QString &line) override
    {
        lines << line;
        Yield();
    }
    bool StopRequested() const override { return stop; }
    void Yield() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }

    QStringList lines;
    bool stop = false;
    int yields = 0;
    // Called with the 1-based number of each yield.
    std::function<void(int)> onYield;
};

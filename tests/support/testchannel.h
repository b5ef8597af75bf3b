#pragma once
// A common::SearchChannel for tests: records every line and status text,
// counts yields, and can run a callback at a chosen yield (to press "cancel"
// at an exact moment, or to change the file system under a running
// procedure).

#include "common/searchchannel.h"

#include <QStringList>
#include <functional>

class TestChannel : public common::SearchChannel {
public:
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
    void SetStatus(const QString &text) override { status = text; }

    QStringList lines;
    QString status;
    bool stop = false;
    int yields = 0;
    // Called with the 1-based number of each yield.
    std::function<void(int)> onYield;
};

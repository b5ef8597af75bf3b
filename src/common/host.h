#pragma once
// What the helpers of this layer need from the windows, without knowing
// them: where report lines go, the stop flag, and the yield to the message
// loop.  The main window installs its implementation at start; tests
// install their own to watch every line and act at an exact yield.

#include <QString>

namespace common {

class Host {
public:
    virtual ~Host() = default;
    // Appends one line to the result window (which yields itself).
    virtual void AppendLine(const QString &line) = 0;
    // The main window's stop request.
    virtual bool StopRequested() const = 0;
    // One yield to the message loop.
    virtual void Yield() = 0;
};

// The installed host, or a silent one that drops lines, never stops and
// yields to nothing when none is installed.
Host &CurrentHost();
void SetHost(Host *host);

// Appends "※※※ Error in " + procedure to the result window: the one form
// in which a procedure reports its own failure.
void ReportError(const char *name);

} // namespace common

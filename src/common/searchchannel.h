#pragma once
// The one way from a search and the helpers it calls up to whoever runs
// it: where result lines go, the yield to the event loop, the stop request
// and the status text.  The main window implements it; tests and the
// command line implement their own.

#include <QString>

namespace common {

class SearchChannel {
public:
    virtual ~SearchChannel() = default;
    // One result line: a banner, hit, copy, access note or error.
    virtual void AppendLine(const QString &line) = 0;
    // One yield to the event loop.
    virtual void Yield() = 0;
    // Whether the user asked the running search to stop.
    virtual bool StopRequested() const = 0;
    // The status text of whatever shows the search.
    virtual void SetStatus(const QString &text) = 0;
};

// A channel that drops lines, never stops and yields to nothing, for
// callers that want no report.
SearchChannel &SilentChannel();

// Appends "※※※ Error in " + name: the one form in which a procedure
// reports its own failure.  `name` is one of common::procedure's texts.
void ReportError(SearchChannel &channel, const char *name);

} // namespace common

#pragma once
// The search from the command line:
//   pathwren --search PATTERNS [--top-only] [--copy-to FOLDER]
//            [--exclude NAME_OR_PATH]... [--paths] [--print0] FOLDER...
// reads its options here and writes the search's lines to standard output
// through SearchOutput, one line each, exactly as the result window lists
// them (or only the paths of hits), with no window and no display.

#include "common/searchchannel.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>

struct SearchRequest {
    QString patterns;
    bool topOnly = false;    // the given folders only, not their subfolders
    QString copyTo;          // empty: list the hits, copy nothing
    QStringList excludes;    // with "/": a folder's path; else a folder name
    bool paths = false;      // only the paths of hits (or copied files)
    bool print0 = false;     // each ended by NUL instead of a line feed
    QStringList folders;     // searched in this order
};

// The exit statuses of the command line's search.
namespace searchstatus {
inline constexpr int RanThrough = 0;
inline constexpr int Failed = 1;       // a folder unreadable or a copy failed
inline constexpr int Usage = 2;        // a wrong argument or destination
inline constexpr int Interrupted = 130;
} // namespace searchstatus

// Whether the arguments ask for the search: --search or -s (alone, with its
// value joined, or among joined short options) before any "--".
bool IsSearchCommand(int argc, const char *const argv[]);

enum class ParseOutcome { Search, Help, Error };
// Reads `arguments` (the program's name first) into `request`; on Error,
// `error` says why in one line.
ParseOutcome ParseSearchRequest(const QStringList &arguments, SearchRequest &request, QString &error);

// The search options' part of --help, examples included.
const char *SearchHelp();

// Runs the search the arguments ask for (IsSearchCommand() holds), without
// a display and without settings or log, and returns the exit status.
int RunSearchCommand(int argc, char *argv[], std::ostream &out, std::ostream &err);

// Where a search without windows writes: each line through EncodeLine (a
// name's line break or control character never splits a line), in UTF-8;
// with `paths` only the paths of hit lines (copy lines when copying), and
// access notes and error lines on `err` instead; with `print0` each ended
// by NUL, paths then as the system's exact bytes, unescaped.  It notes
// whether any folder could not be read or anything failed, and turns a
// SIGINT or SIGTERM caught by platform::CatchInterrupts() into the stop
// request at the next yield.
class SearchOutput : public common::SearchChannel {
public:
    SearchOutput(std::ostream &out, std::ostream &err, bool paths, bool print0, bool copy);

    void AppendLine(const QString &line) override;
    void Yield() override;
    bool StopRequested() const override { return m_interrupted; }
    void SetStatus(const QString &) override {}

    // Called once, at the yield that finds a signal noted.
    void SetOnInterrupt(std::function<void()> onInterrupt) { m_onInterrupt = std::move(onInterrupt); }

    bool Failed() const { return m_failed; }
    bool Interrupted() const { return m_interrupted; }
    // 130 after a signal, else 1 after a failure, else 0.
    int ExitStatus() const;

private:
    void Write(std::ostream &stream, const QByteArray &bytes);

    std::ostream &m_out;
    std::ostream &m_err;
    const bool m_paths;
    const bool m_print0;
    const bool m_copy;
    bool m_failed = false;
    bool m_interrupted = false;
    std::function<void()> m_onInterrupt;
};

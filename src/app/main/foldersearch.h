#pragma once
// The search behind the main window's search buttons: the depth-first walk
// of the folder tree, the matching of each folder's entries against the
// pattern list, the copy of hits, and their state.  Not a widget: lines,
// yields and the status text go through the channel it is given, and it
// reads the destination folder and whether to walk the whole tree through
// its options.  It walks any common::WalkFolder: the tree's nodes, or plain
// folders of the file system.

#include "common/exclusions.h"
#include "common/searchchannel.h"
#include "common/walkfolder.h"
#include "common/wordlist.h"
#include "platform/folderread.h"
#include "platform/folderstate.h"
#include "platform/readahead.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class FolderSearch {
public:
    struct Options {
        // Read anew for every folder a copy visits.
        std::function<QString()> destination;
        // Whether folders below the start folder are searched too.
        std::function<bool()> fullExpand;
    };

    FolderSearch(common::SearchChannel &channel, Options options);

    // A search runs from Begin() to End(); between them a stop request
    // ends the walk at its next poll.
    void Begin();
    void End();
    bool Running() const { return m_running; }
    void RequestStop() { m_stopRequested = true; }
    bool StopRequested() const { return m_stopRequested; }

    // Splits the `;`-separated pattern list; false when it holds none.
    bool SetPatterns(const QString &text);
    int32_t PatternCount() const { return m_patternCount; }

    // Folders the walk leaves out (null: none).  Taken as they are when a
    // walk starts; changes during a search apply to the next one.
    void SetExclusions(const common::Exclusions *exclusions) { m_exclusions = exclusions; }
    // Background threads that read folders ahead of the walk, and at most
    // how many reads they hold; 0 threads: every folder is read by the walk.
    void SetReadAhead(int threads, size_t budget)
    {
        m_readAheadThreads = threads;
        m_readAheadBudget = budget;
    }
    static constexpr int DefaultReadAheadThreads = 8;
    static constexpr size_t DefaultReadAheadBudget = 256;
    // Reads the last walk took from the threads that read ahead.
    int ReadsTakenAhead() const { return m_readsTakenAhead; }

    // Walks from `start` (null: nothing), listing hits or, with `copy`,
    // copying each folder's matching files into the destination.
    void Walk(common::WalkFolder *start, bool copy);

private:
    void VisitNode(common::WalkFolder *node, bool copy, int64_t device);
    bool NodeAccessible(common::WalkFolder *node, bool attributesReadable);
    // The folder at `path` as it is now: read ahead and still unchanged, or
    // read here; null when a stop came while a read ahead was awaited.
    platform::FolderReadPtr ReadNow(const QString &path, int64_t device);
    // How long one wait for a read in flight lasts between yields.
    static constexpr int ReadWaitMilliseconds = 2;
    void WantChildren(common::WalkFolder *node);
    bool ConnectToShare(const QString &path);
    void ListHits(const QString &path);
    void CopyHits(const QString &path);
    bool IsExcludedCopyDestination(const QString &path, const platform::FolderRead &read);

    common::SearchChannel &m_channel;
    Options m_options;
    bool m_stopRequested = false;
    bool m_running = false;
    common::WordArray m_patterns;
    int32_t m_patternCount = 0;
    QString m_copyStart;           // start folder of a search with copy
    // The destination as its text last read names it: the folder, taken
    // once per text, and whether the search started at or below it.
    QString m_destinationText;
    platform::FolderId m_destinationId;
    bool m_destinationTaken = false;
    bool m_destinationKnown = false;
    bool m_startInsideDestination = false;
    const common::Exclusions *m_exclusions = nullptr;
    common::Exclusions m_walkExclusions;   // the walk's own copy
    int m_readAheadThreads = DefaultReadAheadThreads;
    size_t m_readAheadBudget = DefaultReadAheadBudget;
    std::unique_ptr<platform::ReadAhead> m_readAhead;   // during a walk only
    int m_readsTakenAhead = 0;
};

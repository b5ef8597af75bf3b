#pragma once
// The search behind the main window's search buttons: the depth-first walk
// of the folder tree, the matching of each folder's entries against the
// pattern list, the copy of hits, and their state.  Not a widget: lines,
// yields and the status text go through the channel it is given, and it
// reads the destination folder and whether to walk the whole tree through
// its options.

#include "common/searchchannel.h"
#include "common/wordlist.h"

#include <QString>
#include <cstdint>
#include <functional>

class FolderNode;

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

    // Walks from `start` (null: nothing), listing hits or, with `copy`,
    // copying each folder's matching files into the destination.
    void Walk(FolderNode *start, bool copy);

private:
    void VisitNode(FolderNode *node, bool copy);
    bool NodeAccessible(FolderNode *node);
    bool ConnectToShare(const QString &path);
    void ListHits(const QString &path);
    void CopyHits(const QString &path);
    bool IsExcludedCopyDestination(const QString &path) const;

    common::SearchChannel &m_channel;
    Options m_options;
    bool m_stopRequested = false;
    bool m_running = false;
    common::WordArray m_patterns;
    int32_t m_patternCount = 0;
    QString m_copyStartResolved;   // resolved start folder of a search with copy
};

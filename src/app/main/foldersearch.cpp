// A search's state, its pattern list and its start.
#include "app/main/foldersearch.h"

#include "foldertree/foldertree.h"
#include "platform/fileaccess.h"

FolderSearch::FolderSearch(common::SearchChannel &channel, Options options)
    : m_channel(channel)
    , m_options(std::move(options))
{
}

void FolderSearch::Begin()
{
    m_stopRequested = false;
    m_running = true;
}

void FolderSearch::End()
{
    m_running = false;
}

bool FolderSearch::SetPatterns(const QString &text)
{
    m_patternCount = common::SplitWords(text, m_patterns, QStringLiteral(";"), m_channel);
    return m_patternCount >= 1;
}

void FolderSearch::Walk(common::WalkFolder *start, bool copy)
{
    m_copyStart = (copy && start) ? start->Path() : QString();
    m_destinationTaken = false;
    m_destinationKnown = false;
    m_walkExclusions = m_exclusions ? *m_exclusions : common::Exclusions();
    m_readsTakenAhead = 0;
    if (m_readAheadThreads > 0 && start)
        m_readAhead = std::make_unique<platform::ReadAhead>(m_readAheadThreads, m_readAheadBudget,
                                                            m_walkExclusions.ToReadSkips());
    // The threads end with the walk, however it ends: no read runs after.
    struct EndReads {
        std::unique_ptr<platform::ReadAhead> &readAhead;
        ~EndReads() { readAhead.reset(); }
    } endReads{m_readAhead};
    VisitNode(start, copy, -1);
}

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

void FolderSearch::Walk(FolderNode *start, bool copy)
{
    m_copyStartResolved = (copy && start) ? platform::ResolvedPath(start->Path()) : QString();
    VisitNode(start, copy);
}

// A search's state, its pattern list and its start.
#include "app/main/foldersearch.h"

#include "foldertree/foldertree.h"
#include "platform/fileaccess.h"

FolderSearch::FolderSearch(Environment environment)
    : m_env(std::move(environment))
{
}

void FolderSearch::Begin()
{
    m_blnStop = false;
    m_blnSearching = true;
}

void FolderSearch::End()
{
    m_blnSearching = false;
}

bool FolderSearch::SetPatterns(const QString &text)
{
    m_lngPatternCount = modCommon::StringToArray(text, m_strPatterns, QStringLiteral(";"));
    return m_lngPatternCount >= 1;
}

void FolderSearch::Walk(FolderNode *start, bool copy)
{
    m_copyStartResolved = (copy && start) ? platform::ResolvedPath(start->Path()) : QString();
    ExpandNode(start, copy);
}

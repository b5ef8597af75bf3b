#include "common/filecopy.h"

#include "common/searchchannel.h"
#include "common/resultline.h"
#include "common/wordlist.h"
#include "platform/fileio.h"
#include "platform/fileaccess.h"
#include "platform/listing.h"

#include <algorithm>

namespace common {

namespace {

// Normal files only: hidden, system, directories and volume labels are
// left out by an attribute mask of 0.
constexpr int kNormalFiles = 0;

// Moves every byte of the opened source into the opened destination and
// commits it, chunk by chunk with a yield between chunks.  The size taken
// at open is the size copied: a source that ends early fails, so a copy
// never passes for complete when it is not.
bool MoveAndCommit(platform::SourceFile &in, platform::ReplacementFile &out, SearchChannel &channel)
{
    const int64_t length = in.Size();
    for (int64_t done = 0; done < length;) {
        if (done > 0)
            channel.Yield();
        const int64_t count = std::min(CopyChunkBytes, length - done);
        if (!out.CopyFrom(in, count))
            return false;
        done += count;
    }
    in.Close();
    return out.Commit();
}

// Runs one copy attempt; whatever fails leaves the old
// destination, or its absence, as it was and reports the copy's error.
template <typename Attempt>
bool GuardedCopy(SearchChannel &channel, Attempt attempt)
{
    platform::SourceFile in;
    platform::ReplacementFile out;
    if (attempt(in, out))
        return true;
    out.Discard();
    in.Close();
    ReportError(channel, procedure::CopyFile);
    return false;
}

// CopyFile for a file of one open folder into another: no path is
// resolved again for each file.
bool CopyFileAt(const platform::FolderHandle &from, const platform::FolderHandle &to, const QString &name,
                SearchChannel &channel)
{
    return GuardedCopy(channel, [&](platform::SourceFile &in, platform::ReplacementFile &out) {
        // The name comes from a listing of regular files only.
        return in.Open(from, name, true) && out.Open(to, name, in) && MoveAndCommit(in, out, channel);
    });
}

// True when `path` or the nearest of its ancestors that exists is not a
// directory: the path cannot name a folder, and nothing failed.
bool BlockedByFile(QString path)
{
    while (!path.isEmpty()) {
        if (!platform::ResolvedPath(path).isEmpty())
            return !platform::IsDirectory(path);
        const qsizetype cut = path.lastIndexOf(platform::Separator());
        if (cut <= 0)
            break;
        path.truncate(cut);
    }
    return false;
}

// CopyFile's work; false when the copy is not complete.
bool CopyContents(platform::SourceFile &in, platform::ReplacementFile &out, const QString &source,
                  const QString &destination, SearchChannel &channel)
{
    if (!in.Open(source))
        return false;
    // Refuses a read-only destination, a missing folder and the source
    // itself under another name (which would otherwise be truncated).
    if (!out.Open(destination, in))
        return false;

    return MoveAndCommit(in, out, channel);
}

// CopyMatchingFiles's work: the number of files copied (0 when stopped), or
// `failed` set for a failure worth a report.
int64_t CopyMatchingFiles(const QString &source, const QString &destination, const QString &pattern,
                          SearchChannel &channel, bool &failed)
{
    // One listing both tells whether there is anything to copy (no folder
    // is made for nothing) and names what is copied.
    platform::DirListing listing;
    const auto status = listing.Open(source, pattern, kNormalFiles);
    if (status == platform::DirListing::Status::Refused) {
        failed = true;
        return 0;
    }
    if (status == platform::DirListing::Status::Missing || !listing.HasAny())
        return 0;

    if (!FolderExists(destination, channel) && !platform::MakeDirectory(destination)) {
        failed = true;
        return 0;
    }

    platform::FolderHandle from, to;
    if (!from.Open(source) || !to.Open(destination, true)) {
        failed = true;
        return 0;
    }

    const QString linePrefix = CopyLinePrefix(pattern);
    int64_t tally = 0;
    for (QString name = listing.Next(); !name.isEmpty(); name = listing.Next()) {
        channel.Yield();
        if (channel.StopRequested())
            return 0;
        const QString sourceFile = platform::JoinPath(source, name);
        if (!CopyFileAt(from, to, name, channel))
            break;
        channel.AppendLine(linePrefix + sourceFile);
        ++tally;
    }
    return tally;
}

} // namespace

bool CopyFile(const QString &source, const QString &destination, SearchChannel &channel)
{
    return GuardedCopy(channel, [&](platform::SourceFile &in, platform::ReplacementFile &out) {
        return CopyContents(in, out, source, destination, channel);
    });
}

bool FolderExists(const QString &path, SearchChannel &channel)
{
    if (path.isEmpty())
        return false;
    // A listing of the folder itself: it opens only on an existing
    // directory.  The listing's matcher trims the pattern "." to nothing,
    // so the opened listing, not a listed name, is the answer.
    platform::DirListing listing;
    switch (listing.Open(path, QStringLiteral("."), platform::AttrAll)) {
    case platform::DirListing::Status::Ok:
        return true;
    case platform::DirListing::Status::Missing:
        return false;
    case platform::DirListing::Status::Refused:
        break;
    }
    // A path that is (or runs through) a file is simply no folder; only
    // a listing that fails on what could be one is worth a report.
    if (BlockedByFile(path))
        return false;
    ReportError(channel, procedure::FolderExists);
    return false;
}

int64_t CopyMatchingFiles(const QString &source, const QString &destination, const QString &pattern,
                          SearchChannel &channel)
{
    bool failed = false;
    const int64_t tally = CopyMatchingFiles(source, destination, pattern, channel, failed);
    if (!failed)
        return tally;
    ReportError(channel, procedure::CopyMatchingFiles);
    return 0;
}

QString CopyFolderName(const QString &path)
{
    const QString name = ReplaceAll(path, QString(platform::Separator()), QStringLiteral("￥"));
    return ReplaceAll(name, QStringLiteral(":"), QStringLiteral("："));
}

} // namespace common

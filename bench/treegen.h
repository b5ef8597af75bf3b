#pragma once
// The benchmark's synthetic folder tree: the same tree on every run.

#include <QString>
#include <cstdint>

namespace bench {

struct TreeSummary {
    int folders = 0;          // below the root, the root not counted
    int files = 0;
    int maxDepth = 0;
    int64_t bytes = 0;
    bool ok = false;
};

// Builds the tree in `root` (an existing, empty folder): about 2,000
// folders up to 6 deep and 100,000 files, about a third of them matching
// "*.txt;*.doc;*DATA*" (mixed case, several dots, hidden files), small
// files plus a few of tens of MiB.  No name matches two of the patterns,
// and no link is made, so find and cp see exactly what the search sees.
// Without `contents` every file is empty (the same names): a big tree for
// searches only, that costs no memory for data on a tmpfs.
TreeSummary MakeTree(const QString &root, int folders = 2000, int files = 100000, bool contents = true);

} // namespace bench

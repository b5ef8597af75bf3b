#include "treegen.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <vector>

namespace bench {

namespace {

// splitmix64: small, fast, and the same sequence everywhere.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t Next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return int(Next() % uint64_t(n)); }

private:
    uint64_t m_state;
};

struct Folder {
    QString path;
    int depth;
};

constexpr int MaxDepth = 6;

const char *const FolderWords[] = {"src", "docs", "Data", "archive", "build", "img", "lib", "backup",
                                   "proj", "misc", "notes", "Reports", "test", "old", "cache", "media"};
// No stem contains "data", so a name matches at most one pattern.
const char *const Stems[] = {"report", "memo", "image", "main", "util", "index", "summary", "draft",
                             "list", "chapter", "Invoice", "scan", "Budget", "letter", "photo", "song"};

QString FolderName(int i, Random &rng)
{
    const int word = rng.Below(16);
    QString name = QString::fromLatin1(FolderWords[word]) + QLatin1Char('_') + QString::number(i);
    const int r = rng.Below(100);
    if (r < 3)
        name.prepend(QLatin1Char('.'));             // hidden folder: walked all the same
    else if (r < 5 && word != 2)
        name += QStringLiteral(".doc");             // a folder that matches (once: not "Data")
    else if (r < 7)
        name += QStringLiteral(".d");
    return name;
}

// One file name; about a third of them match "*.txt;*.doc;*DATA*".
QString FileName(int j, Random &rng)
{
    const QString stem = QString::fromLatin1(Stems[rng.Below(16)]) + QLatin1Char('_') + QString::number(j);
    const int r = rng.Below(1000);
    // Matching.
    if (r < 120) return stem + QStringLiteral(".txt");
    if (r < 150) return stem + QStringLiteral(".TXT");
    if (r < 170) return stem + QStringLiteral(".Txt");
    if (r < 250) return stem + QStringLiteral(".doc");
    if (r < 270) return stem + QStringLiteral(".DOC");
    if (r < 290) return stem + QStringLiteral(".v2.final.txt");
    if (r < 300) return QStringLiteral("raw.") + stem + QStringLiteral(".tar.Doc");
    if (r < 312) return stem + QStringLiteral("_DATA.csv");
    if (r < 322) return QStringLiteral("MetaData.") + stem + QStringLiteral(".bin");
    if (r < 326) return QStringLiteral("data_") + stem;
    if (r < 334) return QLatin1Char('.') + stem + QStringLiteral(".txt");    // hidden: listed, never copied
    // Not matching.
    if (r < 380) return stem + QStringLiteral(".docx");
    if (r < 430) return stem + QStringLiteral(".txt.bak");
    if (r < 450) return stem + QStringLiteral(".tx");
    if (r < 470) return stem + QStringLiteral("_txt");
    if (r < 600) return stem + QStringLiteral(".cpp");
    if (r < 700) return stem + QStringLiteral(".h");
    if (r < 800) return stem + QStringLiteral(".png");
    if (r < 870) return stem + QStringLiteral(".log");
    if (r < 920) return stem;
    if (r < 960) return stem + QStringLiteral(".md");
    if (r < 980) return stem + QStringLiteral(".Doc.orig");
    return QLatin1Char('.') + stem + QStringLiteral(".conf");
}

bool WriteBytes(const QString &path, const QByteArray &pool, int64_t size, int64_t offset)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    int64_t done = 0;
    while (done < size) {
        const int64_t at = (offset + done) % pool.size();
        const int64_t chunk = qMin<int64_t>(size - done, pool.size() - at);
        if (file.write(pool.constData() + at, chunk) != chunk)
            return false;
        done += chunk;
    }
    return true;
}

} // namespace

TreeSummary MakeTree(const QString &root, int folderCount, int fileCount, bool contents)
{
    TreeSummary summary;
    Random rng(20261207);

    QByteArray pool(1 << 20, '\0');
    for (int i = 0; i < pool.size(); i += 8) {
        const uint64_t v = rng.Next();
        for (int k = 0; k < 8; ++k)
            pool[i + k] = char(v >> (8 * k));
    }

    std::vector<Folder> folders{{root, 0}};
    std::vector<int> open{0};   // folders that may still get children
    QDir dir;
    for (int i = 0; i < folderCount; ++i) {
        const Folder &parent = folders[size_t(open[size_t(rng.Below(int(open.size())))])];
        Folder f{parent.path + QLatin1Char('/') + FolderName(i, rng), parent.depth + 1};
        if (!dir.mkdir(f.path))
            return summary;
        summary.maxDepth = qMax(summary.maxDepth, f.depth);
        if (f.depth < MaxDepth)
            open.push_back(int(folders.size()));
        folders.push_back(f);
    }
    summary.folders = folderCount;

    for (int j = 0; j < fileCount; ++j) {
        const Folder &f = folders[size_t(rng.Below(int(folders.size())))];
        const QString name = FileName(j, rng);
        int64_t size = rng.Below(100) < 97 ? rng.Below(2048) : rng.Below(32768);
        if (!contents)
            size = 0;
        if (!WriteBytes(f.path + QLatin1Char('/') + name, pool, size, int64_t(j) * 7919))
            return summary;
        summary.bytes += size;
    }

    // A few big ones, each matching one pattern.
    const struct {
        const char *name;
        int mib;
    } big[] = {{"Big_dump.txt", 40}, {"disk_image.doc", 32}, {"RAW_DATA.bin", 24}, {"archive.part1.TXT", 16}};
    for (const auto &b : big) {
        const Folder &f = folders[size_t(rng.Below(int(folders.size())))];
        const int64_t size = contents ? int64_t(b.mib) << 20 : 0;
        if (!WriteBytes(f.path + QLatin1Char('/') + QString::fromLatin1(b.name), pool, size, 0))
            return summary;
        summary.bytes += size;
    }
    summary.files = fileCount + int(sizeof big / sizeof big[0]);
    summary.ok = true;
    return summary;
}

} // namespace bench

#include "app/main/searchcommand.h"

#include "app/main/foldersearch.h"
#include "app/main/plainfolder.h"
#include "common/exclusions.h"
#include "common/filecopy.h"
#include "common/resultline.h"
#include "platform/interrupt.h"
#include "platform/nativepath.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cstring>
#include <optional>

namespace {

const char Help[] =
    "Search without windows (no display needed; no settings or log are read\n"
    "or written):\n"
    "  -s, --search PATTERNS       ';'-separated wildcard patterns, as in the window\n"
    "  -t, --top-only              the given folders only, not their subfolders\n"
    "  -c, --copy-to FOLDER        copy the matching files into FOLDER, which must\n"
    "                              exist (one subfolder per source folder)\n"
    "  -x, --exclude NAME_OR_PATH  leave a folder out: a value with '/' is that\n"
    "                              folder, any other every folder of that name\n"
    "                              (may be given more than once)\n"
    "  -p, --paths                 print only the full paths of hits (of copied\n"
    "                              files with --copy-to); access and error lines\n"
    "                              go to standard error\n"
    "  -0, --print0                end each line or path with NUL, not a line feed\n"
    "\n"
    "Lines are written as the result window lists them, in UTF-8; a backslash,\n"
    "a line break or another control character in a name is written as \\\\, \\n,\n"
    "\\r, \\t, \\xHH or \\uHHHH (a byte that is not UTF-8 as \\xHH), so every line\n"
    "stays one line.  With --paths --print0 paths are written as they are.\n"
    "Exit status: 0 the search ran through, 1 a folder could not be read or a\n"
    "copy failed, 2 a wrong argument or copy destination, 130 interrupted.\n"
    "\n"
    "Examples:\n"
    "  pathwren -s '*.txt;*.doc' ~/Documents\n"
    "  pathwren -s '*.jpg' -c /srv/photos -x .cache -p /home/me >> copied.log\n"
    "  pathwren -s '*.log' -x node_modules -0 -p . | xargs -0 ls -l\n";

// Short options that take no value: they may stand before -s in one word.
const char FlagLetters[] = "tp0";

bool IsShortSearchWord(const char *arg)
{
    if (arg[0] != '-' || arg[1] == '-' || arg[1] == '\0')
        return false;
    const size_t length = std::strlen(arg);
    if (arg[length - 1] != 's')
        return false;
    for (size_t i = 1; i + 1 < length; ++i) {
        if (!std::strchr(FlagLetters, arg[i]))
            return false;
    }
    return true;
}

QString AbsoluteFolder(const QString &path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

} // namespace

bool IsSearchCommand(int argc, const char *const argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--") == 0)
            return false;
        if (std::strcmp(arg, "--search") == 0 || std::strncmp(arg, "--search=", 9) == 0 || IsShortSearchWord(arg))
            return true;
    }
    return false;
}

ParseOutcome ParseSearchRequest(const QStringList &arguments, SearchRequest &request, QString &error)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption search(QStringList{QStringLiteral("s"), QStringLiteral("search")}, QString(), QStringLiteral("PATTERNS"));
    const QCommandLineOption topOnly(QStringList{QStringLiteral("t"), QStringLiteral("top-only")});
    const QCommandLineOption copyTo(QStringList{QStringLiteral("c"), QStringLiteral("copy-to")}, QString(), QStringLiteral("FOLDER"));
    const QCommandLineOption exclude(QStringList{QStringLiteral("x"), QStringLiteral("exclude")}, QString(),
                                     QStringLiteral("NAME_OR_PATH"));
    const QCommandLineOption paths(QStringList{QStringLiteral("p"), QStringLiteral("paths")});
    const QCommandLineOption print0(QStringList{QStringLiteral("0"), QStringLiteral("print0")});
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({search, topOnly, copyTo, exclude, paths, print0, help});

    request = SearchRequest();
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return ParseOutcome::Error;
    }
    if (parser.isSet(help))
        return ParseOutcome::Help;
    const QStringList patterns = parser.values(search);
    const QStringList copies = parser.values(copyTo);
    if (patterns.size() != 1) {
        error = patterns.isEmpty() ? QStringLiteral("--search PATTERNS is missing")
                                   : QStringLiteral("--search is given more than once");
        return ParseOutcome::Error;
    }
    if (copies.size() > 1) {
        error = QStringLiteral("--copy-to is given more than once");
        return ParseOutcome::Error;
    }
    if (!copies.isEmpty() && copies.first().isEmpty()) {
        error = QStringLiteral("--copy-to needs a folder");
        return ParseOutcome::Error;
    }
    for (const QString &value : parser.values(exclude)) {
        if (value.isEmpty()) {
            error = QStringLiteral("--exclude needs a folder's name or path");
            return ParseOutcome::Error;
        }
    }
    if (parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("no FOLDER to search");
        return ParseOutcome::Error;
    }
    for (const QString &folder : parser.positionalArguments()) {
        if (folder.isEmpty()) {
            error = QStringLiteral("an empty FOLDER");
            return ParseOutcome::Error;
        }
    }

    request.patterns = patterns.first();
    request.topOnly = parser.isSet(topOnly);
    request.copyTo = copies.isEmpty() ? QString() : AbsoluteFolder(copies.first());
    for (const QString &value : parser.values(exclude))
        request.excludes << (value.contains(QLatin1Char('/')) ? AbsoluteFolder(value) : value);
    request.paths = parser.isSet(paths);
    request.print0 = parser.isSet(print0);
    for (const QString &folder : parser.positionalArguments())
        request.folders << AbsoluteFolder(folder);
    return ParseOutcome::Search;
}

const char *SearchHelp()
{
    return Help;
}

int RunSearchCommand(int argc, char *argv[], std::ostream &out, std::ostream &err)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << platform::FromNative(argv[i], qsizetype(std::strlen(argv[i])));
    SearchRequest request;
    QString error;
    switch (ParseSearchRequest(arguments, request, error)) {
    case ParseOutcome::Help:
        out << "Usage: pathwren --search PATTERNS [OPTION]... FOLDER...\n\n" << SearchHelp();
        return out.flush() ? searchstatus::RanThrough : searchstatus::Failed;
    case ParseOutcome::Error:
        err << "pathwren: " << error.toStdString() << "\nTry 'pathwren --help' for more information.\n";
        return searchstatus::Usage;
    case ParseOutcome::Search:
        break;
    }

    // Qt's core only: no display, no widget (a test brings its own).
    int appArgc = 1;
    std::optional<QCoreApplication> app;
    if (!QCoreApplication::instance())
        app.emplace(appArgc, argv);
    const bool copy = !request.copyTo.isEmpty();
    if (copy && !common::FolderExists(request.copyTo, common::SilentChannel())) {
        err << "pathwren: " << QStringLiteral("コピー先フォルダが不正です。").toStdString() << " '"
            << common::EncodeLine(request.copyTo).toStdString() << "'\n";
        return searchstatus::Usage;
    }
    common::Exclusions exclusions;
    for (const QString &value : request.excludes)
        exclusions.Add(value);

    SearchOutput output(out, err, request.paths, request.print0, copy);
    FolderSearch search(output, {[&] { return request.copyTo; }, [&] { return !request.topOnly; }});
    search.SetExclusions(&exclusions);
    if (!search.SetPatterns(request.patterns)) {
        err << "pathwren: " << QStringLiteral("設定された検索文字列が不正です。").toStdString() << '\n';
        return searchstatus::Usage;
    }
    // Ctrl-C acts as the stop button: the walk ends at its next folder or
    // file, a copy under way is not left half written.
    output.SetOnInterrupt([&] {
        search.RequestStop();
        output.AppendLine(QStringLiteral("☆☆☆ ユーザによる検索中断 ☆☆☆"));
    });
    platform::CatchInterrupts();

    search.Begin();
    output.AppendLine(copy ? QStringLiteral("☆☆☆ 検索後コピー開始... ☆☆☆") : QStringLiteral("☆☆☆ 検索のみ開始... ☆☆☆"));
    for (const QString &folder : request.folders) {
        output.Yield();
        if (search.StopRequested())
            break;
        PlainFolder start(folder);
        search.Walk(&start, copy);
    }
    output.AppendLine(QStringLiteral("☆☆☆ 終了 ☆☆☆"));
    search.End();
    out.flush();
    // Lines that did not reach their reader are a failure too.
    if (!out && output.ExitStatus() == searchstatus::RanThrough)
        return searchstatus::Failed;
    return output.ExitStatus();
}

SearchOutput::SearchOutput(std::ostream &out, std::ostream &err, bool paths, bool print0, bool copy)
    : m_out(out)
    , m_err(err)
    , m_paths(paths)
    , m_print0(print0)
    , m_copy(copy)
{
}

void SearchOutput::AppendLine(const QString &line)
{
    const common::LineKind kind = common::KindOfLine(line);
    if (kind == common::LineKind::Error
        || (kind == common::LineKind::Access && line.startsWith(common::AccessDeniedLine(QString()))))
        m_failed = true;
    if (!m_paths) {
        Write(m_out, common::EncodeLine(line).toUtf8());
        return;
    }
    if (kind == (m_copy ? common::LineKind::Copy : common::LineKind::Hit)) {
        const QString path = common::PathOfLine(line);
        QByteArray bytes;
        // NUL-ended paths are for programs: the name's very bytes.
        if (m_print0 && platform::detail::ToNative(path, bytes))
            Write(m_out, bytes);
        else
            Write(m_out, common::EncodeLine(path).toUtf8());
    } else if (kind == common::LineKind::Error || kind == common::LineKind::Access) {
        m_err << common::EncodeLine(line).toStdString() << '\n';
    }
}

void SearchOutput::Write(std::ostream &stream, const QByteArray &bytes)
{
    stream.write(bytes.constData(), bytes.size());
    stream.put(m_print0 ? '\0' : '\n');
}

void SearchOutput::Yield()
{
    if (m_interrupted || platform::InterruptSignal() == 0)
        return;
    m_interrupted = true;
    if (m_onInterrupt)
        m_onInterrupt();
}

int SearchOutput::ExitStatus() const
{
    if (m_interrupted)
        return searchstatus::Interrupted;
    return m_failed ? searchstatus::Failed : searchstatus::RanThrough;
}

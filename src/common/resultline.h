#pragma once
// The lines the program writes to the result window, and how a line is told
// back by its kind.  Writers and readers share these texts so that the two
// can never drift apart.

#include <QString>

namespace common {

// "検索(" + pattern + ") in ": a hit line up to the path of the entry.
QString HitLinePrefix(const QString &pattern);
// "コピー(" + pattern + ") in ": a copy line up to the source path.
QString CopyLinePrefix(const QString &pattern);
// "※※※ アクセス不可能 in " + path, "※※※ アクセスＯＫ！ in " + path.
QString AccessDeniedLine(const QString &path);
QString AccessGrantedLine(const QString &path);
// "※※※ Error in " + procedure: a procedure's report of its own failure.
QString ErrorLine(const QString &procedure);

// "コピー先フォルダが不正です。": the warning of a search with copy whose
// destination is no folder.  The box that shows it is closed at once while
// the search runs, so the same text also goes into the list as the line
// "※※※ コピー先フォルダが不正です。", which counts as an error.
QString InvalidDestinationText();
QString InvalidDestinationLine();

// The names of the procedures that report their own failure in an error
// line ("※※※ Error in " + name) or in a failure box's title.  They are
// report texts that users, saved lists and logs see: they keep their
// spelling whatever the code that reports them is called.
namespace procedure {
inline constexpr char CountWords[] = "CountDelimitedWords";
inline constexpr char WordAt[] = "GetDelimitedWord";
inline constexpr char SplitWords[] = "StringToArray";
inline constexpr char CopyFile[] = "CopyFile";
inline constexpr char FolderExists[] = "DirExists";
inline constexpr char CopyMatchingFiles[] = "CopyDirectory";
inline constexpr char ListHits[] = "SearchFile";
inline constexpr char BrowseForFolder[] = "BrowseForFolder";
inline constexpr char DesktopFolder[] = "GetShellDesktopLocation";
} // namespace procedure

enum class LineKind {
    Other,    // banners, empty lines, anything else
    Hit,
    Copy,
    Error,
    Access,   // either access note
};
LineKind KindOfLine(const QString &line);

// The path a hit, copy or access line names; empty for every other line.
// A hit's or copy's path starts right after the first ") in /": a pattern
// that holds "/" matches no name, so the pattern before it never holds that
// text, whatever else (" in ", ") in ") it holds.
QString PathOfLine(const QString &line);
// What opening a line opens: the path it names, or else the text after its
// first " in " (a failure line's procedure name); empty for neither.
QString TargetOfLine(const QString &line);

// Result lines outside the window (a saved list, the clipboard) are one
// line of text each, whatever the names in them hold.  EncodeLine writes
//   a backslash as \\, tab, line feed and carriage return as \t, \n, \r,
//   every other control character U+0000..U+001F and U+007F as \xHH,
//   a byte of a name that is not UTF-8 as \xHH (HH from 80 to ff),
//   the controls U+0080..U+009F and the line and paragraph separators
//   U+2028, U+2029 as \uHHHH,
// with lowercase hex digits, and leaves everything else as it is.
// DecodeLine turns such a text back into the very line; a backslash that
// starts none of these forms is kept as it stands, and `ok` (when given)
// is then set to false.
QString EncodeLine(const QString &line);
QString DecodeLine(const QString &text, bool *ok = nullptr);

} // namespace common

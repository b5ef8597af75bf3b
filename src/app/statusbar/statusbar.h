#pragma once
// The one-line status bar along the bottom of each window.

#include <QString>

class QStatusBar;
class QWidget;

namespace statusbar {

// A status bar with a size grip, child of `parent`, at its bottom.
QStatusBar *CreateStatusBar(QWidget *parent);
// Puts the bar back at the bottom of the parent's client area, full width,
// at its own height.  A null bar does nothing.
void ResizeStatusBar(QWidget *parent, QStatusBar *bar);
// Sets the bar's one text.  A null bar does nothing.
void SetStatusBarText(QStatusBar *bar, const QString &text);
// The bar's current text ("" for a null bar).
QString StatusBarText(const QStatusBar *bar);

// A second text field at the bar's right end, before the size grip, with a
// description for accessibility (its name is its text).  When the bar is
// short, the field gives way, but never so far that the bar's own text
// could not show `roomForText`.  Idempotent.
void AddStatusBarField(QStatusBar *bar, const QString &description, const QString &roomForText);
// Sets and reads the second field's text.  A bar without it does nothing.
void SetStatusBarFieldText(QStatusBar *bar, const QString &text);
QString StatusBarFieldText(const QStatusBar *bar);

} // namespace statusbar

#pragma once
// The one-line status bar along the bottom of each window.

#include <QString>

class QStatusBar;
class QWidget;

namespace modStatusBar {

// A status bar with a size grip, child of `parent`, at its bottom.
QStatusBar *CreateStatusBar(QWidget *parent);
// Puts the bar back at the bottom of the parent's client area, full width,
// at its own height.  A null bar does nothing.
void ResizeStatusBar(QWidget *parent, QStatusBar *bar);
// Sets the bar's one text.  A null bar does nothing.
void SetStatusBarText(QStatusBar *bar, const QString &strText);
// The bar's current text ("" for a null bar).
QString StatusBarText(const QStatusBar *bar);

} // namespace modStatusBar

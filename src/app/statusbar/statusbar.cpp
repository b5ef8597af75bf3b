#include "app/statusbar/statusbar.h"

#include <QLabel>
#include <QStatusBar>
#include <QWidget>

namespace statusbar {

namespace {

// The bar's text.  Its size hint ignores the text, so a new text repaints
// the label without laying out the whole bar again (the walk sets a text
// for every folder it enters).
class StatusText : public QLabel {
public:
    using QLabel::QLabel;
    QSize sizeHint() const override { return QSize(0, fontMetrics().height()); }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

// The second field: as wide as its text, but the first to give way.
class FieldText : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return QSize(0, QLabel::minimumSizeHint().height()); }
};

// The text lives in a label rather than showMessage(), which the status
// tips of other widgets would overwrite.  The label is a normal item of the
// bar, not a permanent one: a temporary message hides it while it shows,
// and the label comes back with its text when the message ends.
QLabel *TextLabel(const QStatusBar *bar)
{
    return bar ? bar->findChild<QLabel *>(QStringLiteral("statusText")) : nullptr;
}

QLabel *FieldLabel(const QStatusBar *bar)
{
    return bar ? bar->findChild<QLabel *>(QStringLiteral("statusField")) : nullptr;
}
} // namespace

QStatusBar *CreateStatusBar(QWidget *parent)
{
    auto *bar = new QStatusBar(parent);
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(true);
    auto *label = new StatusText(bar);
    label->setObjectName(QStringLiteral("statusText"));
    label->setTextFormat(Qt::PlainText);
    bar->addWidget(label, 1);
    bar->setAccessibleName(QStringLiteral("ステータス バー"));
    ResizeStatusBar(parent, bar);
    bar->show();
    return bar;
}

void ResizeStatusBar(QWidget *parent, QStatusBar *bar)
{
    if (!parent || !bar)
        return;
    const int h = bar->sizeHint().height();
    bar->setGeometry(0, parent->height() - h, parent->width(), h);
}

void SetStatusBarText(QStatusBar *bar, const QString &text)
{
    if (QLabel *label = TextLabel(bar))
        label->setText(text);
}

QString StatusBarText(const QStatusBar *bar)
{
    const QLabel *label = TextLabel(bar);
    return label ? label->text() : QString();
}

void AddStatusBarField(QStatusBar *bar, const QString &description, const QString &roomForText)
{
    if (!bar || FieldLabel(bar))
        return;
    if (QLabel *text = TextLabel(bar))
        text->setMinimumWidth(text->fontMetrics().horizontalAdvance(roomForText));
    auto *label = new FieldText(bar);
    label->setObjectName(QStringLiteral("statusField"));
    label->setTextFormat(Qt::PlainText);
    label->setAccessibleDescription(description);
    label->setToolTip(description);
    bar->addPermanentWidget(label);
}

void SetStatusBarFieldText(QStatusBar *bar, const QString &text)
{
    if (QLabel *label = FieldLabel(bar))
        label->setText(text);
}

QString StatusBarFieldText(const QStatusBar *bar)
{
    const QLabel *label = FieldLabel(bar);
    return label ? label->text() : QString();
}

} // namespace statusbar

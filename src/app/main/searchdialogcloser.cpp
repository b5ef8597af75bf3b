#include "app/main/searchdialogcloser.h"

#include "app/result/resultwindow.h"
#include "common/log.h"
#include "platform/foreigndialog.h"

#include <QApplication>
#include <QDialog>

SearchDialogCloser::SearchDialogCloser(QWidget *owner, std::function<bool()> searching)
    : QObject(owner)
    , m_owner(owner)
    , m_searching(std::move(searching))
    , m_timer(this)
{
    setObjectName(QStringLiteral("dialogCloser"));
    m_timer.setObjectName(QStringLiteral("dialogCloseTimer"));
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, &SearchDialogCloser::Tick);
}

void SearchDialogCloser::Tick()
{
    if (!m_searching())
        return;
    const QString title = m_owner->windowTitle();
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(widget);
        // A box that holds up no code (it was opened, not executed) only
        // tells the user something: it stays.
        if (dialog && dialog->isVisible() && dialog->windowTitle() == title
            && !dialog->property(ResultWindow::StaysOpenProperty).toBool()) {
            common::WriteLog(QStringLiteral("Close Dialog"));
            dialog->reject();
            return;
        }
    }
    if (platform::CloseForeignDialog(title))
        common::WriteLog(QStringLiteral("Close Dialog"));
}

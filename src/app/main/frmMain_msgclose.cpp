// While a search runs, message boxes titled with the application's title
// close themselves, so the code that raised them goes on.
#include "app/main/frmMain.h"

#include "common/log.h"
#include "platform/foreigndialog.h"

#include <QApplication>
#include <QDialog>

void frmMain::tmrMsgClose_Timer()
{
    try {
        if (!m_search.Running())
            return;
        const QString title = windowTitle();
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QDialog *>(widget);
            // A box that holds up no code (it was opened, not executed)
            // only tells the user something: it stays.
            if (dialog && dialog->isVisible() && dialog->windowTitle() == title
                && !dialog->property(frmResult::StaysOpenProperty).toBool()) {
                modCommon::WriteLog(QStringLiteral("Close Dialog"));
                dialog->reject();
                return;
            }
        }
        if (platform::CloseForeignDialog(title))
            modCommon::WriteLog(QStringLiteral("Close Dialog"));
    } catch (...) {
    }
}

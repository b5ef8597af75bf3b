#pragma once
// Records (and closes) every message box or modal dialog that shows up
// while it lives, so a failure that wrongly raises one is seen instead of
// blocking the test.

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

class ModalWatch {
public:
    ModalWatch()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Look(); });
        m_timer.start();
    }
    // How many have shown so far, looking once more now.
    int Seen()
    {
        Look();
        return int(texts.size());
    }
    // A box's text, or another dialog's title, one per window seen.
    QStringList texts;

private:
    void Look()
    {
        if (QWidget *modal = QApplication::activeModalWidget())
            Close(modal);
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox *>(w) && w->isVisible())
                Close(w);
        }
    }
    void Close(QWidget *w)
    {
        auto *box = qobject_cast<QMessageBox *>(w);
        texts << (box ? box->text() : w->windowTitle());
        if (auto *dialog = qobject_cast<QDialog *>(w))
            dialog->reject();
        else
            w->close();
    }
    QTimer m_timer;
};

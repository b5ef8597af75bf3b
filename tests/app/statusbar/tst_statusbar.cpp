#include "app/statusbar/statusbar.h"

#include <QLabel>
#include <QSizeGrip>
#include <QStatusBar>
#include <QtTest>

class TestStatusBar : public QObject {
    Q_OBJECT
private slots:
    void barSitsAtTheBottomAtFullWidth()
    {
        QWidget parent;
        parent.resize(300, 200);
        QStatusBar *bar = statusbar::CreateStatusBar(&parent);
        QVERIFY(bar);
        QCOMPARE(bar->parentWidget(), &parent);
        QVERIFY(bar->isSizeGripEnabled());
        QCOMPARE(statusbar::StatusBarText(bar), QString());   // no initial text
        QCOMPARE(bar->geometry().bottom(), 199);
        QCOMPARE(bar->width(), 300);

        parent.resize(420, 260);
        statusbar::ResizeStatusBar(&parent, bar);
        QCOMPARE(bar->geometry().bottom(), 259);
        QCOMPARE(bar->geometry().left(), 0);
        QCOMPARE(bar->width(), 420);
        QCOMPARE(bar->height(), bar->sizeHint().height());
    }

    void textIsKeptUntilReplaced()
    {
        QWidget parent;
        QStatusBar *bar = statusbar::CreateStatusBar(&parent);
        statusbar::SetStatusBarText(bar, QStringLiteral("展開中 in data"));
        QCOMPARE(statusbar::StatusBarText(bar), QStringLiteral("展開中 in data"));
        // A temporary message (e.g. a status tip) covers the text while it
        // shows and must not lose it.
        parent.show();
        const QLabel *label = bar->findChild<QLabel *>(QStringLiteral("statusText"));
        QVERIFY(label);
        QVERIFY(label->isVisible());
        bar->showMessage(QStringLiteral("tip"));
        QVERIFY(!label->isVisible());
        bar->clearMessage();
        QVERIFY(label->isVisible());
        QCOMPARE(statusbar::StatusBarText(bar), QStringLiteral("展開中 in data"));
    }

    void nullBarDoesNothing()
    {
        QWidget parent;
        statusbar::ResizeStatusBar(&parent, nullptr);
        statusbar::SetStatusBarText(nullptr, QStringLiteral("x"));
        QCOMPARE(statusbar::StatusBarText(nullptr), QString());
        statusbar::ResizeStatusBar(nullptr, nullptr);
    }
};

QTEST_MAIN(TestStatusBar)
#include "tst_statusbar.moc"

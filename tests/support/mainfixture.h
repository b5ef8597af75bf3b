#pragma once
// Shared set-up for tests that drive the real main window offscreen:
// settings, desktop and log in a temporary folder, never the user's.

#include "app/main/appsetup.h"
#include "app/main/mainwindow.h"
#include "app/result/resultwindow.h"
#include "foldertree/foldertree.h"
#include "scopedtesthooks.h"
#include "testchannel.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

// The main window's controls, found by their object names as any tool
// outside the window finds them.  Null where a control does not exist
// (the status bar before load and after unload).
struct MainControls {
    explicit MainControls(const QObject &w)
        : searchButton(w.findChild<QPushButton *>(QStringLiteral("searchButton")))
        , searchCopyButton(w.findChild<QPushButton *>(QStringLiteral("searchCopyButton")))
        , stopButton(w.findChild<QPushButton *>(QStringLiteral("stopButton")))
        , optionFrame(w.findChild<QGroupBox *>(QStringLiteral("optionFrame")))
        , patternLabel(w.findChild<QLabel *>(QStringLiteral("patternLabel")))
        , patternEdit(w.findChild<QLineEdit *>(QStringLiteral("patternEdit")))
        , fullExpandCheck(w.findChild<QCheckBox *>(QStringLiteral("fullExpandCheck")))
        , destinationLabel(w.findChild<QLabel *>(QStringLiteral("destinationLabel")))
        , destinationEdit(w.findChild<QLineEdit *>(QStringLiteral("destinationEdit")))
        , browseButton(w.findChild<QPushButton *>(QStringLiteral("browseButton")))
        , folderTree(w.findChild<FolderTreeView *>(QStringLiteral("folderTree")))
        , dialogCloseTimer(w.findChild<QTimer *>(QStringLiteral("dialogCloseTimer")))
        , statusBar(w.findChild<QStatusBar *>(QStringLiteral("statusBar"), Qt::FindDirectChildrenOnly))
    {
    }
    QPushButton *searchButton;
    QPushButton *searchCopyButton;
    QPushButton *stopButton;
    QGroupBox *optionFrame;
    QLabel *patternLabel;
    QLineEdit *patternEdit;
    QCheckBox *fullExpandCheck;
    QLabel *destinationLabel;
    QLineEdit *destinationEdit;
    QPushButton *browseButton;
    FolderTreeView *folderTree;
    QTimer *dialogCloseTimer;
    QStatusBar *statusBar;
};
inline MainControls Ui(const QObject &w)
{
    return MainControls(w);
}

class MainFixture {
public:
    MainFixture()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
        hooks.Change([this](platform::TestHooks &h) { h.logFilePath = LogPath(); });
        QFile::remove(MainWindow::SettingsFileName());
    }
    ~MainFixture()
    {
        window.reset();
    }

    MainWindow &Start()
    {
        window.reset();   // one program at a time, as the program's own set-up makes it
        window = CreateWindows();
        window->Load();
        return *window;
    }
    // Starts the program with a pattern list, a destination (left as the
    // settings give it when null) and the tree's selection at `path`.
    MainWindow &StartAt(const QString &path, const QString &patterns, const QString &destination = QString())
    {
        MainWindow &w = Start();
        const MainControls ui(w);
        ui.patternEdit->setText(patterns);
        if (!destination.isNull())
            ui.destinationEdit->setText(destination);
        if (!path.isEmpty() && !ui.folderTree->SelectPath(path))
            qWarning("could not select %s", qPrintable(path));
        return w;
    }
    ResultWindow &Result() { return ResultWindow::Instance(); }

    QString LogPath() const { return m_config.filePath(QStringLiteral("Pathwren.log")); }
    QStringList LogMessages() const
    {
        QFile f(LogPath());
        QStringList out;
        if (!f.open(QIODevice::ReadOnly))
            return out;
        const QList<QByteArray> records = f.readAll().split('\n');
        for (const QByteArray &r : records) {
            const int q = r.indexOf(",\"");
            if (q >= 0)
                out << QString::fromUtf8(r.mid(q + 2, r.size() - q - 2 - 2));   // drop closing quote and CR
        }
        return out;
    }
    QString ConfigPath() const { return m_config.path(); }

    std::unique_ptr<MainWindow> window;

private:
    QTemporaryDir m_config;

public:
    // The log in the temporary folder until the fixture ends; tests add
    // hooks of their own through it or through a guard of their own.
    ScopedTestHooks hooks;
};

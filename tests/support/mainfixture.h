#pragma once
// Shared set-up for tests that drive the real main window offscreen:
// settings, desktop and log in a temporary folder, never the user's.

#include "app/main/appsetup.h"
#include "app/main/frmMain.h"
#include "app/result/frmResult.h"
#include "foldertree/foldertree.h"
#include "scopedtesthooks.h"
#include "testhost.h"

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
        : cmdExpand(w.findChild<QPushButton *>(QStringLiteral("cmdExpand")))
        , cmdExpandToDrv(w.findChild<QPushButton *>(QStringLiteral("cmdExpandToDrv")))
        , cmdCancel(w.findChild<QPushButton *>(QStringLiteral("cmdCancel")))
        , fraTitle(w.findChild<QGroupBox *>(QStringLiteral("fraTitle")))
        , Label1(w.findChild<QLabel *>(QStringLiteral("Label1")))
        , txtPattern(w.findChild<QLineEdit *>(QStringLiteral("txtPattern")))
        , chkDetail(w.findChild<QCheckBox *>(QStringLiteral("chkDetail")))
        , Label2(w.findChild<QLabel *>(QStringLiteral("Label2")))
        , txtFolder(w.findChild<QLineEdit *>(QStringLiteral("txtFolder")))
        , cmdFolder(w.findChild<QPushButton *>(QStringLiteral("cmdFolder")))
        , tvMain(w.findChild<FolderTreeView *>(QStringLiteral("tvMain")))
        , tmrMsgClose(w.findChild<QTimer *>(QStringLiteral("tmrMsgClose")))
        , statusBar(w.findChild<QStatusBar *>(QStringLiteral("statusBar"), Qt::FindDirectChildrenOnly))
    {
    }
    QPushButton *cmdExpand;
    QPushButton *cmdExpandToDrv;
    QPushButton *cmdCancel;
    QGroupBox *fraTitle;
    QLabel *Label1;
    QLineEdit *txtPattern;
    QCheckBox *chkDetail;
    QLabel *Label2;
    QLineEdit *txtFolder;
    QPushButton *cmdFolder;
    FolderTreeView *tvMain;
    QTimer *tmrMsgClose;
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
        QFile::remove(frmMain::SettingsFileName());
    }
    ~MainFixture()
    {
        window.reset();
    }

    frmMain &Start()
    {
        window.reset();   // one program at a time, as the program's own set-up makes it
        window = CreateWindows();
        window->Load();
        return *window;
    }
    // Starts the program with a pattern list, a destination (left as the
    // settings give it when null) and the tree's selection at `path`.
    frmMain &StartAt(const QString &path, const QString &patterns, const QString &destination = QString())
    {
        frmMain &w = Start();
        const MainControls ui(w);
        ui.txtPattern->setText(patterns);
        if (!destination.isNull())
            ui.txtFolder->setText(destination);
        if (!path.isEmpty() && !ui.tvMain->SelectPath(path))
            qWarning("could not select %s", qPrintable(path));
        return w;
    }
    frmResult &Result() { return frmResult::Instance(); }

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

    std::unique_ptr<frmMain> window;

private:
    QTemporaryDir m_config;

public:
    // The log in the temporary folder until the fixture ends; tests add
    // hooks of their own through it or through a guard of their own.
    ScopedTestHooks hooks;
};

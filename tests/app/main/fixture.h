#pragma once
// Shared set-up for tests that drive the real main window offscreen:
// settings, desktop and log in a temporary folder, never the user's.

#include "app/main/frmMain.h"
#include "app/result/frmResult.h"
#include "common/log.h"
#include "foldertree/foldertree.h"
#include "testhost.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

class MainFixture {
public:
    MainFixture()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
        modCommon::SetLogFilePathForTesting(LogPath());
        QFile::remove(frmMain::SettingsFileName());
    }
    ~MainFixture()
    {
        window.reset();
        modCommon::SetLogFilePathForTesting(QString());
    }

    frmMain &Start()
    {
        window = std::make_unique<frmMain>();
        window->Load();
        return *window;
    }
    // Starts the program with a pattern list, a destination (left as the
    // settings give it when null) and the tree's selection at `path`.
    frmMain &StartAt(const QString &path, const QString &patterns, const QString &destination = QString())
    {
        frmMain &w = Start();
        w.txtPattern->setText(patterns);
        if (!destination.isNull())
            w.txtFolder->setText(destination);
        if (!path.isEmpty() && !w.tvMain->SelectPath(path))
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
};

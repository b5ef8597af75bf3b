#pragma once
// The main window: folder tree, pattern and destination, the three search
// buttons, and the search that runs inside their click handlers.

#include "app/main/foldersearch.h"
#include "app/result/frmResult.h"
#include "common/host.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>

class FolderTreeView;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class QStatusBar;

class frmMain : public QWidget, private modCommon::Host, private frmResultHost {
    Q_OBJECT
public:
    // `result` is the program-wide result window; from now on the main
    // window is its host, closes it on unload and destroys it with itself.
    explicit frmMain(frmResult &result, QWidget *parent = nullptr);
    ~frmMain() override;

    // The load sequence; ends with both windows shown.
    void Load();

    // Writes the main window's status-bar text.
    void SetBottomMessage(const QString &strMsg);

    // Tests watch (or act at) every yield of a running search; the argument
    // counts the yields since the observer was set.
    void SetYieldObserver(std::function<void(int)> observer);

    // The search the buttons run (read-only: its state is the buttons' to set).
    const FolderSearch &CurrentSearch() const { return m_search; }

    // The settings store ("Pathwren", section "Setting").
    static QString SettingsFileName();

public slots:
    void cmdExpand_Click();
    void cmdExpandToDrv_Click();
    void cmdCancel_Click();
    void chkDetail_Click();
    void cmdFolder_Click();
    void tmrMsgClose_Timer();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Controls, named as in the window's design; found by object name.
    QPushButton *cmdExpand = nullptr;
    QPushButton *cmdExpandToDrv = nullptr;
    QPushButton *cmdCancel = nullptr;
    QGroupBox *fraTitle = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtPattern = nullptr;
    QCheckBox *chkDetail = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtFolder = nullptr;
    QPushButton *cmdFolder = nullptr;
    FolderTreeView *tvMain = nullptr;
    QTimer *tmrMsgClose = nullptr;
    QStatusBar *m_hWndStatusBar = nullptr;

    // Pixels: client size minus the tree's size, from the design layout.
    int m_lngMarginHeight = 0;
    int m_lngMarginWidth = 0;

    // modCommon::Host
    void AddMessage(const QString &strMsg) override;
    bool StopRequested() const override { return m_search.StopRequested(); }
    void Yield() override;
    // frmResultHost
    bool StopFlag() const override { return m_search.StopRequested(); }
    QRect OuterRect() const override { return frameGeometry(); }

    void CreateControls();
    void ApplyStoredRectangle(const QSettings *settings);
    void SaveRectangle(QSettings &settings) const;

    void RunSearch(bool copy);
    bool CheckPattern();
    void ShowWarning(const QString &text);

    frmResult &m_result;
    FolderSearch m_search;
    std::function<void(int)> m_yieldObserver;
    int m_yieldCount = 0;
    static constexpr qint64 EventIntervalNanoseconds = 1000000;
    QElapsedTimer m_sinceEvents;   // since the last look at the event queue
};

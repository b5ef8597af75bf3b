#pragma once
// The main window: folder tree, pattern and destination, the three search
// buttons, and the search that runs inside their click handlers.

#include "app/main/foldersearch.h"
#include "app/main/searchdialogcloser.h"
#include "app/result/resultwindow.h"
#include "common/exclusions.h"
#include "common/searchchannel.h"

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

class MainWindow : public QWidget, private common::SearchChannel, private ResultWindow::Host {
    Q_OBJECT
public:
    // `result` is the program-wide result window; from now on the main
    // window is its host, closes it on unload and destroys it with itself.
    explicit MainWindow(ResultWindow &result, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The load sequence; ends with both windows shown.
    void Load();

    // Writes the main window's status-bar text.
    void SetStatusText(const QString &text);

    // Tests watch (or act at) every yield of a running search; the argument
    // counts the yields since the observer was set.
    void SetYieldObserver(std::function<void(int)> observer);

    // Where the search and its helpers send lines, yields and stop questions.
    common::SearchChannel &Channel() { return *this; }

    // Closes message boxes that would hold up a running search.
    SearchDialogCloser &DialogCloser() { return *m_dialogCloser; }

    // The search the buttons run (read-only: its state is the buttons' to set).
    const FolderSearch &CurrentSearch() const { return m_search; }

    // The settings store ("Pathwren", section "Setting").
    static QString SettingsFileName();

public slots:
    void Search();
    void SearchAndCopy();
    void RequestStop();
    void UpdateCopyButton();
    void BrowseForDestination();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Controls, named as in the window's design; found by object name.
    QPushButton *m_searchButton = nullptr;
    QPushButton *m_searchCopyButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QGroupBox *m_optionFrame = nullptr;
    QLabel *m_patternLabel = nullptr;
    QLineEdit *m_patternEdit = nullptr;
    QCheckBox *m_fullExpandCheck = nullptr;
    QLabel *m_destinationLabel = nullptr;
    QLineEdit *m_destinationEdit = nullptr;
    QPushButton *m_browseButton = nullptr;
    FolderTreeView *m_folderTree = nullptr;
    SearchDialogCloser *m_dialogCloser = nullptr;
    QStatusBar *m_statusBar = nullptr;

    // Pixels: client size minus the tree's size, from the design layout.
    int m_marginHeight = 0;
    int m_marginWidth = 0;

    // common::SearchChannel and ResultWindow::Host: one stop request and
    // one yield answer both.
    void AppendLine(const QString &line) override;
    void Yield() override;
    bool StopRequested() const override { return m_search.StopRequested(); }
    void SetStatus(const QString &text) override { SetStatusText(text); }
    QRect OuterRect() const override { return frameGeometry(); }

    void CreateControls();
    // Applies the stored outer rectangle (pixels), fitted to the screens.
    void ApplyStoredRectangle(const QRect &stored);
    void SaveRectangle(QSettings &settings) const;

    void RunSearch(bool copy);
    bool CheckPattern();
    void ShowWarning(const QString &text);

    // The folder tree's menu asks; the search reads them when it starts.
    void ConnectExclusions();

    ResultWindow &m_result;
    FolderSearch m_search;
    common::Exclusions m_exclusions;
    std::function<void(int)> m_yieldObserver;
    int m_yieldCount = 0;
    static constexpr qint64 EventIntervalNanoseconds = 2000000;
    QElapsedTimer m_sinceEvents;   // since the last look at the event queue
};

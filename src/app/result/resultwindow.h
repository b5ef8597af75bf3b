#pragma once
// The result window: the running transcript of the program, one line per
// banner, hit, access note and failure.  One instance for the whole program.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QAction;
class QDateTime;
class QListView;
class QMenu;
class QPushButton;
class QStatusBar;
class ResultModel;

class ResultWindow : public QWidget {
    Q_OBJECT
public:
    // What the result window needs from the main window.
    class Host {
    public:
        virtual ~Host() = default;
        // The main window's stop request: the result window may close only
        // while it is set.
        virtual bool StopRequested() const = 0;
        // The main window's outer rectangle, in pixels.
        virtual QRect OuterRect() const = 0;
        // One yield to the event loop, after every line.
        virtual void Yield() = 0;
    };

    // Makes the program-wide instance; the program's set-up does, once,
    // before the main window (which then owns it).
    static ResultWindow &CreateInstance();
    // The program-wide instance, once made.
    static ResultWindow &Instance();
    // Deletes the instance (tests, and the end of the program).
    static void DestroyInstance();

    void SetHost(Host *host) { m_host = host; }

    void ShowWithLine(const QString &line);
    void AppendLine(const QString &line);
    void Clear();

    // Brings the view, the selection of the newest line and the status text
    // up to date now (they otherwise follow at most once per frame).
    void SyncView();

    // Reading the transcript.
    int LineCount() const;
    QString Line(int index) const;
    QStringList Lines() const;
    // The selected row of the list as the view shows it (-1 for none).
    int SelectedRow() const;

    // What a double-click on `line` opens: the path a hit, copy or access
    // line names, else the text after the first " in " (common::TargetOfLine).
    static QString DoubleClickTarget(const QString &line);
    // Opens the target of the selected line, as a double-click does.
    void OpenSelectedLine();
    // Opens the target of `line`, as a double-click on it does.
    void OpenLine(const QString &line);

    // The list's context menu, for the line under the mouse or the selected
    // line.  It acts on the line it was opened for, even after a running
    // search has added and selected newer lines.
    void ShowLineMenu(int row, const QPoint &globalPos);
    // The folder opened for "フォルダを開く" when the desktop's file manager
    // cannot show the target itself: the folder that holds the target.
    static QString FolderOf(const QString &target);
    // Every line in the form of common::EncodeLine, each ended by a line
    // feed: names with line breaks never split a line.
    QString AllLinesText() const;
    // The file name the save dialog proposes at `when`.
    static QString DefaultSaveName(const QDateTime &when);
    // Writes every line to `path` as AllLinesText() has them, in UTF-8,
    // and says so in a message box when that fails.  Only a regular file is
    // written: the new file replaces the old one only once it is complete,
    // and a link to a file has that file replaced.  The list stays as it is.
    bool SaveLines(const QString &path);
    // The counts field's text: lines of each kind that the list holds.
    QString CountsText() const;

    // Set on message boxes that no code waits for: they stay open while a
    // search runs (only the boxes that hold up a search are closed).
    static const char *const StaysOpenProperty;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    ResultWindow();
    ~ResultWindow() override;
    QListView *m_list = nullptr;
    QPushButton *m_clearButton = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QMenu *m_lineMenu = nullptr;
    QAction *m_openAction = nullptr;
    QAction *m_openFolderAction = nullptr;
    QAction *m_copyPathAction = nullptr;
    QAction *m_copyAllAction = nullptr;
    QAction *m_saveAction = nullptr;
    int m_marginHeight = 0;   // pixels: client height - list height at design
    int m_marginWidth = 0;    // pixels: client width - list width at design

    void CreateControls();
    // Runs when the on-screen window is (re)created: status bar, margins,
    // placement beside the main window.
    void Load();
    void EnsureLoaded();
    void PlaceDesignGeometry();
    void CreateMenu();
    void OpenMenuLineFolder();
    void SaveWithDialog();
    void ShowSaveFailure(const QString &path, const QString &reason);
    void UpdateCounts();
    // For a while after the program shows the window: where the window
    // system put it under the main window (some compositors place both at
    // one spot), it goes beside the main window.
    void KeepClearOfMain();

    Host *m_host = nullptr;
    ResultModel *m_model = nullptr;
    bool m_loaded = false;
    bool m_wasClosed = false;
    QString m_menuLine;   // the line the context menu was opened for
    QElapsedTimer m_sinceSync;
    QTimer m_syncTimer;
    QElapsedTimer m_sinceShown;
    QTimer m_clearOfMainTimer;
};

#pragma once
// The result window: the running transcript of the program, one line per
// banner, hit, access note and failure.  One instance for the whole program.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>

class QListView;
class QPushButton;
class QStatusBar;
class ResultModel;

// What the result window needs from the main window.
class frmResultHost {
public:
    virtual ~frmResultHost() = default;
    // The main window's stop flag: the result window may close only while set.
    virtual bool StopFlag() const = 0;
    // The main window's outer rectangle, in pixels.
    virtual QRect OuterRect() const = 0;
};

class frmResult : public QWidget {
    Q_OBJECT
public:
    // The program-wide instance, created on first use.
    static frmResult &Instance();
    static frmResult *ExistingInstance();
    // Deletes the instance (tests, and the end of the program).
    static void DestroyInstance();

    void SetHost(frmResultHost *host) { m_host = host; }

    void ShowWindow(const QString &strMsg);
    void AddMessage(const QString &strMsg);
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

    // What a double-click on `line` opens: the text after the first " in ",
    // or an empty text when there is none.
    static QString DoubleClickTarget(const QString &line);
    // Tests replace the desktop's "open this path" to see what would open.
    using Opener = std::function<void(const QString &target)>;
    static void SetOpenerForTesting(Opener opener);
    // Opens the target of the selected line, as a double-click does.
    void OpenSelectedLine();

    QListView *lstResult = nullptr;
    QPushButton *cmdClear = nullptr;
    QStatusBar *m_hWndStatusBar = nullptr;
    int m_lngMarginHeight = 0;   // pixels: client height - list height at design
    int m_lngMarginWidth = 0;    // pixels: client width - list width at design

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    frmResult();
    ~frmResult() override;
    void CreateControls();
    // Runs when the on-screen window is (re)created: status bar, margins,
    // placement beside the main window.
    void Load();
    void EnsureLoaded();
    void PlaceDesignGeometry();

    frmResultHost *m_host = nullptr;
    ResultModel *m_model = nullptr;
    bool m_loaded = false;
    bool m_wasClosed = false;
    QElapsedTimer m_sinceSync;
    QTimer m_syncTimer;
};

#include "app/result/resultwindow.h"

#include "app/result/framepacer.h"
#include "app/result/resultlistview.h"
#include "app/result/resultmodel.h"
#include "app/shared/geometry.h"
#include "app/shared/icon.h"
#include "app/statusbar/statusbar.h"
#include "common/resultline.h"
#include "platform/desktop.h"
#include "platform/fileio.h"
#include "platform/nativepath.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QStandardPaths>
#include <QStatusBar>
#include <QUrl>

namespace {

ResultWindow *g_instance = nullptr;

// Design layout, in twips.
constexpr int DesignClientWidth = 4410;
constexpr int DesignClientHeight = 7545;

// How long after the window is shown, and how often, it looks whether the
// main window covers it.
constexpr int ClearOfMainMilliseconds = 3000;
constexpr int ClearOfMainCheckMilliseconds = 100;

// Flush against the main window's right edge, same top and size.
QRect BesideMain(const QRect &main)
{
    return QRect(main.left() + main.width(), main.top(), main.width(), main.height());
}

} // namespace

const char *const ResultWindow::StaysOpenProperty = "pathwrenStaysOpen";

ResultWindow &ResultWindow::CreateInstance()
{
    Q_ASSERT(!g_instance);
    if (!g_instance)
        g_instance = new ResultWindow();
    return *g_instance;
}

ResultWindow &ResultWindow::Instance()
{
    Q_ASSERT(g_instance);
    return *g_instance;
}

void ResultWindow::DestroyInstance()
{
    delete g_instance;
    g_instance = nullptr;
}

ResultWindow::ResultWindow()
    : QWidget(nullptr)
{
    setObjectName(QStringLiteral("resultWindow"));
    setWindowTitle(QStringLiteral("Pathwren（検索結果）"));
    // It appears beside the main window, which keeps the keyboard: the
    // main window's access keys work from the start, and a window that
    // comes back with a line during a search takes no keys from anyone.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowIcon(PathwrenIcon());
    CreateControls();
    m_syncTimer.setSingleShot(true);
    // The view catches up with streaming lines at most once per frame of the
    // stream; the first line after a pause shows at once.
    m_syncTimer.setInterval(FramePacer::StreamingFrameMilliseconds);
    connect(&m_syncTimer, &QTimer::timeout, this, &ResultWindow::SyncView);
    m_clearOfMainTimer.setInterval(ClearOfMainCheckMilliseconds);
    connect(&m_clearOfMainTimer, &QTimer::timeout, this, &ResultWindow::KeepClearOfMain);
}

ResultWindow::~ResultWindow()
{
    if (g_instance == this)
        g_instance = nullptr;
}

void ResultWindow::CreateControls()
{
    m_model = new ResultModel(this);

    // Rows of one height, placed by arithmetic: adding lines costs the same
    // however long the transcript has grown.
    m_list = new ResultListView(this);
    m_list->setObjectName(QStringLiteral("resultList"));
    m_list->setModel(m_model);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setToolTip(QStringLiteral("現在の処理状況を表示します。"));
    m_list->setAccessibleName(QStringLiteral("検索結果"));
    connect(m_list, &QListView::doubleClicked, this, [this](const QModelIndex &) { OpenSelectedLine(); });
    // Enter opens the selected line as a double-click does.
    m_list->installEventFilter(this);
    connect(static_cast<ResultListView *>(m_list), &ResultListView::LineMenuRequested, this,
            &ResultWindow::ShowLineMenu);

    m_clearButton = new QPushButton(QStringLiteral("クリアー(&C)"), this);
    m_clearButton->setObjectName(QStringLiteral("clearButton"));
    m_clearButton->setToolTip(QStringLiteral("表示している情報を全て消去します。"));
    connect(m_clearButton, &QPushButton::clicked, this, &ResultWindow::Clear);

    setTabOrder(m_list, m_clearButton);
    PlaceDesignGeometry();
    CreateMenu();
}

void ResultWindow::CreateMenu()
{
    m_lineMenu = new QMenu(this);
    m_lineMenu->setObjectName(QStringLiteral("lineMenu"));
    m_lineMenu->setTitle(QStringLiteral("検索結果"));
    m_lineMenu->setAccessibleName(QStringLiteral("検索結果の操作"));
    const auto add = [this](const char *name, const QString &text) {
        QAction *action = m_lineMenu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    m_openAction = add("openAction", QStringLiteral("開く(&O)"));
    m_openFolderAction = add("openFolderAction", QStringLiteral("フォルダを開く(&F)"));
    m_copyPathAction = add("copyPathAction", QStringLiteral("パスをコピー(&P)"));
    m_lineMenu->addSeparator();
    m_copyAllAction = add("copyAllAction", QStringLiteral("すべての行をコピー(&A)"));
    m_saveAction = add("saveAction", QStringLiteral("結果を保存(&S)..."));

    connect(m_openAction, &QAction::triggered, this, [this] { OpenLine(m_menuLine); });
    connect(m_openFolderAction, &QAction::triggered, this, &ResultWindow::OpenMenuLineFolder);
    connect(m_copyPathAction, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(platform::ShownText(common::PathOfLine(m_menuLine))); });
    connect(m_copyAllAction, &QAction::triggered, this, [this] { QGuiApplication::clipboard()->setText(AllLinesText()); });
    connect(m_saveAction, &QAction::triggered, this, &ResultWindow::SaveWithDialog);

    // The keyboard's ways to the menu; the Menu key also arrives as a
    // context menu event on some systems, and the shortcut takes it first.
    auto *menuKey = new QAction(m_list);
    menuKey->setShortcuts({QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)});
    menuKey->setShortcutContext(Qt::WidgetShortcut);
    m_list->addAction(menuKey);
    connect(menuKey, &QAction::triggered, this, [this] {
        const int row = SelectedRow();
        ShowLineMenu(row, static_cast<ResultListView *>(m_list)->MenuPosition(row));
    });
}

void ResultWindow::ShowLineMenu(int row, const QPoint &globalPos)
{
    m_menuLine = row >= 0 ? Line(row) : QString();
    const bool hasTarget = !common::PathOfLine(m_menuLine).isEmpty();
    m_openAction->setEnabled(hasTarget);
    m_openFolderAction->setEnabled(hasTarget);
    m_copyPathAction->setEnabled(hasTarget);
    m_copyAllAction->setEnabled(LineCount() > 0);
    m_saveAction->setEnabled(LineCount() > 0);
    // Not exec(): a running search goes on while the menu is open.
    m_lineMenu->popup(globalPos);
}

QString ResultWindow::FolderOf(const QString &target)
{
    return QFileInfo(QDir::cleanPath(target)).absolutePath();
}

void ResultWindow::OpenMenuLineFolder()
{
    const QString target = common::PathOfLine(m_menuLine);
    if (target.isEmpty())
        return;
    // The file manager shows the target selected; without one, the folder
    // alone is opened.
    platform::ShowInFileManager(target, FolderOf(target));
}

QString ResultWindow::AllLinesText() const
{
    QString text;
    for (int i = 0; i < m_model->LineCount(); ++i) {
        text += common::EncodeLine(m_model->Line(i));
        text += QLatin1Char('\n');
    }
    return text;
}

QString ResultWindow::DefaultSaveName(const QDateTime &when)
{
    return QStringLiteral("検索結果_") + when.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".txt");
}

void ResultWindow::SaveWithDialog()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    auto *dialog = new QFileDialog(this, QStringLiteral("結果を保存"),
                                   QDir(folder).filePath(DefaultSaveName(QDateTime::currentDateTime())));
    dialog->setObjectName(QStringLiteral("saveDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters({QStringLiteral("テキスト ファイル (*.txt)"), QStringLiteral("すべてのファイル (*)")});
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    dialog->setLabelText(QFileDialog::LookIn, QStringLiteral("保存する場所(&I):"));
    dialog->setLabelText(QFileDialog::FileName, QStringLiteral("ファイル名(&N):"));
    dialog->setLabelText(QFileDialog::FileType, QStringLiteral("ファイルの種類(&T):"));
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("保存(&S)"));
    dialog->setLabelText(QFileDialog::Reject, QStringLiteral("キャンセル"));
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) { SaveLines(path); });
    // Not exec(): a running search goes on while the dialog is open.
    dialog->open();
}

bool ResultWindow::SaveLines(const QString &path)
{
    // Only a regular file is written; a device, FIFO or socket (or a link
    // to one) is left alone, whatever the file dialog let through.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        ShowSaveFailure(path, QStringLiteral("保存先が通常のファイルではありません（デバイス、FIFO、ソケットなど）。"
                                             "結果は通常のファイルとしてだけ保存できます。"));
        return false;
    }
    // A link to a file has that file replaced and stays a link.
    platform::ReplacementFile file;
    bool ok = file.Open(path);
    QByteArray chunk;
    for (int i = 0; ok && i < m_model->LineCount(); ++i) {
        chunk += common::EncodeLine(m_model->Line(i)).toUtf8();
        chunk += '\n';
        if (chunk.size() >= (1 << 20)) {
            ok = file.Write(chunk.constData(), chunk.size());
            chunk.clear();
        }
    }
    if (ok && !chunk.isEmpty())
        ok = file.Write(chunk.constData(), chunk.size());
    // Only a complete file replaces what was there; a failed one is removed.
    ok = ok && file.Commit();
    if (!ok) {
        const int error = file.Error();
        file.Discard();
        ShowSaveFailure(path, error != 0 ? qt_error_string(error) : QString());
    }
    return ok;
}

void ResultWindow::ShowSaveFailure(const QString &path, const QString &reason)
{
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Pathwren"),
                                QStringLiteral("結果を保存できませんでした。\n\n") + platform::ShownText(path)
                                    + QStringLiteral("\n") + reason,
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("saveFailedBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setProperty(StaysOpenProperty, true);
    box->open();
}

QString ResultWindow::CountsText() const
{
    using common::LineKind;
    static const struct {
        LineKind kind;
        const char16_t *label;
    } kinds[] = {
        {LineKind::Hit, u"検索"},
        {LineKind::Copy, u"コピー"},
        {LineKind::Error, u"エラー"},
        {LineKind::Access, u"アクセス"},
    };
    QStringList parts;
    for (const auto &k : kinds) {
        const int n = m_model->CountOf(k.kind);
        if (n > 0)
            parts << QString::fromUtf16(k.label) + QLatin1Char(' ') + QString::number(n);
    }
    return parts.isEmpty() ? QStringLiteral("検索 0") : parts.join(QStringLiteral(" ・ "));
}

void ResultWindow::UpdateCounts()
{
    statusbar::SetStatusBarFieldText(m_statusBar, CountsText());
}

void ResultWindow::PlaceDesignGeometry()
{
    resize(geometry::TwipsToPixels(DesignClientWidth), geometry::TwipsToPixels(DesignClientHeight));
    m_list->setGeometry(geometry::DesignRect(0, 375, 4410, 6900));
    m_clearButton->setGeometry(geometry::DesignRect(15, 45, 1410, 300));
}

void ResultWindow::Load()
{
    m_loaded = true;
    if (m_statusBar == nullptr) {
        m_statusBar = statusbar::CreateStatusBar(this);
        statusbar::AddStatusBarField(m_statusBar, QStringLiteral("検索・コピー・エラー・アクセスの行数"),
                                        QStringLiteral("Line : 0000000"));
        UpdateCounts();
    }

    // Margins from the design layout, before any other size applies.  They
    // are measured on the client area so that a window manager's frame,
    // known only once the window is shown, cannot eat into the list.
    PlaceDesignGeometry();
    m_marginHeight = height() - m_list->height();
    m_marginWidth = width() - m_list->width();

    if (m_host)
        geometry::SetOuterRect(this, BesideMain(m_host->OuterRect()));
}

void ResultWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())   // restored by the user, not shown by the program
        return;
    m_sinceShown.start();
    m_clearOfMainTimer.start();
}

void ResultWindow::KeepClearOfMain()
{
    if (!m_host || !isVisible() || m_sinceShown.elapsed() > ClearOfMainMilliseconds) {
        m_clearOfMainTimer.stop();
        return;
    }
    const QRect main = m_host->OuterRect();
    if (!main.contains(frameGeometry()))
        return;
    // Once: a window system that keeps it there is not fought.
    m_clearOfMainTimer.stop();
    geometry::SetOuterRect(this, BesideMain(main));
}

void ResultWindow::EnsureLoaded()
{
    if (m_loaded)
        return;
    // A window the user closed comes back empty, with a fresh status bar.
    m_wasClosed = false;
    m_model->Clear();
    Load();
}

void ResultWindow::ShowWithLine(const QString &line)
{
    AppendLine(line);
    show();
}

void ResultWindow::AppendLine(const QString &line)
{
    const bool reopen = m_wasClosed;
    EnsureLoaded();
    m_model->Append(line);
    FramePacer::NoteLine();
    // A window closed by the user comes back with the next line: results
    // are never written where nobody can see them.
    if (reopen)
        show();
    if (!m_sinceSync.isValid() || m_sinceSync.elapsed() >= FramePacer::StreamingFrameMilliseconds)
        SyncView();
    else if (!m_syncTimer.isActive())
        m_syncTimer.start();
    if (m_host)
        m_host->Yield();
}

void ResultWindow::SyncView()
{
    m_syncTimer.stop();
    m_sinceSync.restart();
    m_model->Publish();
    UpdateCounts();
    const int newest = m_model->LineCount() - 1;
    if (newest < 0)
        return;
    const QModelIndex index = m_model->index(newest);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_list->scrollTo(index);
    statusbar::SetStatusBarText(m_statusBar, QStringLiteral("Line : ") + QString::number(newest));
}

void ResultWindow::Clear()
{
    EnsureLoaded();
    m_syncTimer.stop();
    m_model->Clear();
    UpdateCounts();
}

int ResultWindow::LineCount() const
{
    return m_model->LineCount();
}

QString ResultWindow::Line(int index) const
{
    if (index < 0 || index >= m_model->LineCount())
        return QString();
    return m_model->Line(index);
}

QStringList ResultWindow::Lines() const
{
    QStringList lines;
    lines.reserve(m_model->LineCount());
    for (int i = 0; i < m_model->LineCount(); ++i)
        lines << m_model->Line(i);
    return lines;
}

int ResultWindow::SelectedRow() const
{
    const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

QString ResultWindow::DoubleClickTarget(const QString &line)
{
    return common::TargetOfLine(line);
}

void ResultWindow::OpenSelectedLine()
{
    const int row = SelectedRow();
    OpenLine(row >= 0 ? Line(row) : QString());
}

void ResultWindow::OpenLine(const QString &line)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString target = line.isEmpty() ? QString() : DoubleClickTarget(line);
    if (!target.isEmpty()) {
        platform::OpenWithDesktop(target);
    }
    QApplication::restoreOverrideCursor();
}

bool ResultWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            OpenSelectedLine();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ResultWindow::closeEvent(QCloseEvent *event)
{
    if (!m_host || !m_host->StopRequested()) {
        event->ignore();
        return;
    }
    delete m_statusBar;
    m_statusBar = nullptr;
    m_loaded = false;
    m_wasClosed = true;
    event->accept();
}

void ResultWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    statusbar::ResizeStatusBar(this, m_statusBar);
    if (m_loaded)
        geometry::FitToMargins(this, m_list, m_marginHeight, m_marginWidth);
}

#include "app/result/frmResult.h"

#include "app/result/framepacer.h"
#include "app/result/resultlistview.h"
#include "app/result/resultmodel.h"
#include "app/shared/geometry.h"
#include "app/shared/icon.h"
#include "app/statusbar/modStatusBar.h"
#include "common/host.h"
#include "platform/nativepath.h"
#include "common/resultline.h"
#include "platform/desktop.h"
#include "platform/testhooks.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStatusBar>
#include <QUrl>

namespace {

frmResult *g_instance = nullptr;

// Design layout, in twips.
constexpr int DesignClientWidth = 4410;
constexpr int DesignClientHeight = 7545;

const QString &InMarker()
{
    static const QString marker = QStringLiteral(" in ");
    return marker;
}

} // namespace

const char *const frmResult::StaysOpenProperty = "pathwrenStaysOpen";

frmResult &frmResult::CreateInstance()
{
    Q_ASSERT(!g_instance);
    if (!g_instance)
        g_instance = new frmResult();
    return *g_instance;
}

frmResult &frmResult::Instance()
{
    Q_ASSERT(g_instance);
    return *g_instance;
}

void frmResult::DestroyInstance()
{
    delete g_instance;
    g_instance = nullptr;
}

frmResult::frmResult()
    : QWidget(nullptr)
{
    setObjectName(QStringLiteral("frmResult"));
    setWindowTitle(QStringLiteral("Pathwren（検索結果）"));
    setWindowIcon(PathwrenIcon());
    CreateControls();
    m_syncTimer.setSingleShot(true);
    // The view catches up with streaming lines at most once per frame of the
    // stream; the first line after a pause shows at once.
    m_syncTimer.setInterval(FramePacer::StreamingFrameMilliseconds);
    connect(&m_syncTimer, &QTimer::timeout, this, &frmResult::SyncView);
}

frmResult::~frmResult()
{
    if (g_instance == this)
        g_instance = nullptr;
}

void frmResult::CreateControls()
{
    m_model = new ResultModel(this);

    // Rows of one height, placed by arithmetic: adding lines costs the same
    // however long the transcript has grown.
    lstResult = new ResultListView(this);
    lstResult->setObjectName(QStringLiteral("lstResult"));
    lstResult->setModel(m_model);
    lstResult->setSelectionMode(QAbstractItemView::SingleSelection);
    lstResult->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstResult->setToolTip(QStringLiteral("現在の処理状況を表示します。"));
    lstResult->setAccessibleName(QStringLiteral("検索結果"));
    connect(lstResult, &QListView::doubleClicked, this, [this](const QModelIndex &) { OpenSelectedLine(); });
    // Enter opens the selected line as a double-click does.
    lstResult->installEventFilter(this);
    connect(static_cast<ResultListView *>(lstResult), &ResultListView::LineMenuRequested, this,
            &frmResult::ShowLineMenu);

    cmdClear = new QPushButton(QStringLiteral("クリアー(&C)"), this);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    cmdClear->setToolTip(QStringLiteral("表示している情報を全て消去します。"));
    connect(cmdClear, &QPushButton::clicked, this, &frmResult::Clear);

    setTabOrder(lstResult, cmdClear);
    PlaceDesignGeometry();
    CreateMenu();
}

void frmResult::CreateMenu()
{
    mnuResult = new QMenu(this);
    mnuResult->setObjectName(QStringLiteral("mnuResult"));
    mnuResult->setTitle(QStringLiteral("検索結果"));
    mnuResult->setAccessibleName(QStringLiteral("検索結果の操作"));
    const auto add = [this](const char *name, const QString &text) {
        QAction *action = mnuResult->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    mnuOpen = add("mnuOpen", QStringLiteral("開く(&O)"));
    mnuOpenFolder = add("mnuOpenFolder", QStringLiteral("フォルダを開く(&F)"));
    mnuCopyPath = add("mnuCopyPath", QStringLiteral("パスをコピー(&P)"));
    mnuResult->addSeparator();
    mnuCopyAll = add("mnuCopyAll", QStringLiteral("すべての行をコピー(&A)"));
    mnuSave = add("mnuSave", QStringLiteral("結果を保存(&S)..."));

    connect(mnuOpen, &QAction::triggered, this, [this] { OpenLine(m_menuLine); });
    connect(mnuOpenFolder, &QAction::triggered, this, &frmResult::mnuOpenFolder_Click);
    connect(mnuCopyPath, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(platform::ShownText(ResultModel::PathOfLine(m_menuLine))); });
    connect(mnuCopyAll, &QAction::triggered, this, [this] { QGuiApplication::clipboard()->setText(AllLinesText()); });
    connect(mnuSave, &QAction::triggered, this, &frmResult::mnuSave_Click);

    // The keyboard's ways to the menu; the Menu key also arrives as a
    // context menu event on some systems, and the shortcut takes it first.
    auto *menuKey = new QAction(lstResult);
    menuKey->setShortcuts({QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)});
    menuKey->setShortcutContext(Qt::WidgetShortcut);
    lstResult->addAction(menuKey);
    connect(menuKey, &QAction::triggered, this, [this] {
        const int row = SelectedRow();
        ShowLineMenu(row, static_cast<ResultListView *>(lstResult)->MenuPosition(row));
    });
}

void frmResult::ShowLineMenu(int row, const QPoint &globalPos)
{
    m_menuLine = row >= 0 ? Line(row) : QString();
    const bool hasTarget = !ResultModel::PathOfLine(m_menuLine).isEmpty();
    mnuOpen->setEnabled(hasTarget);
    mnuOpenFolder->setEnabled(hasTarget);
    mnuCopyPath->setEnabled(hasTarget);
    mnuCopyAll->setEnabled(LineCount() > 0);
    mnuSave->setEnabled(LineCount() > 0);
    // Not exec(): a running search goes on while the menu is open.
    mnuResult->popup(globalPos);
}

QString frmResult::FolderOf(const QString &target)
{
    return QFileInfo(QDir::cleanPath(target)).absolutePath();
}

void frmResult::mnuOpenFolder_Click()
{
    const QString target = ResultModel::PathOfLine(m_menuLine);
    if (target.isEmpty())
        return;
    if (const auto &folderOpener = platform::ActiveTestHooks().folderOpener) {
        folderOpener(target);
        return;
    }
    // The file manager shows the target selected; without one, the folder
    // alone is opened.
    const QString folder = FolderOf(target);
    platform::ShowInFileManager(target, [folder](bool shown) {
        if (!shown)
            QDesktopServices::openUrl(platform::LocalFileUrl(folder));
    });
}

QString frmResult::AllLinesText() const
{
    QString text;
    for (int i = 0; i < m_model->LineCount(); ++i) {
        text += platform::ShownText(m_model->Line(i));
        text += QLatin1Char('\n');
    }
    return text;
}

QString frmResult::DefaultSaveName(const QDateTime &when)
{
    return QStringLiteral("検索結果_") + when.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".txt");
}

void frmResult::mnuSave_Click()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    auto *dialog = new QFileDialog(this, QStringLiteral("結果を保存"),
                                   QDir(folder).filePath(DefaultSaveName(QDateTime::currentDateTime())));
    dialog->setObjectName(QStringLiteral("dlgSave"));
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

bool frmResult::SaveLines(const QString &path)
{
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    QByteArray chunk;
    for (int i = 0; ok && i < m_model->LineCount(); ++i) {
        chunk += platform::ShownText(m_model->Line(i)).toUtf8();
        chunk += '\n';
        if (chunk.size() >= (1 << 20)) {
            ok = file.write(chunk) == chunk.size();
            chunk.clear();
        }
    }
    if (ok && !chunk.isEmpty())
        ok = file.write(chunk) == chunk.size();
    // Only a complete file replaces what was there.
    ok = ok && file.commit();
    if (!ok) {
        const QString reason = file.errorString();
        file.cancelWriting();
        auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Pathwren"),
                                    QStringLiteral("結果を保存できませんでした。\n\n") + QDir::toNativeSeparators(path)
                                        + QStringLiteral("\n") + reason,
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("msgSaveFailed"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setProperty(StaysOpenProperty, true);
        box->open();
    }
    return ok;
}

QString frmResult::CountsText() const
{
    using modCommon::LineKind;
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

void frmResult::UpdateCounts()
{
    modStatusBar::SetStatusBarFieldText(m_hWndStatusBar, CountsText());
}

void frmResult::PlaceDesignGeometry()
{
    resize(geometry::TwipsToPixels(DesignClientWidth), geometry::TwipsToPixels(DesignClientHeight));
    lstResult->setGeometry(geometry::DesignRect(0, 375, 4410, 6900));
    cmdClear->setGeometry(geometry::DesignRect(15, 45, 1410, 300));
}

void frmResult::Load()
{
    m_loaded = true;
    if (m_hWndStatusBar == nullptr) {
        m_hWndStatusBar = modStatusBar::CreateStatusBar(this);
        modStatusBar::AddStatusBarField(m_hWndStatusBar, QStringLiteral("検索・コピー・エラー・アクセスの行数"),
                                        QStringLiteral("Line : 0000000"));
        UpdateCounts();
    }

    // Margins from the design layout, before any other size applies.  They
    // are measured on the client area so that a window manager's frame,
    // known only once the window is shown, cannot eat into the list.
    PlaceDesignGeometry();
    m_lngMarginHeight = height() - lstResult->height();
    m_lngMarginWidth = width() - lstResult->width();

    // Flush against the main window's right edge, same top and size.
    if (m_host) {
        const QRect main = m_host->OuterRect();
        geometry::SetOuterRect(this, QRect(main.left() + main.width(), main.top(), main.width(), main.height()));
    }
}

void frmResult::EnsureLoaded()
{
    if (m_loaded)
        return;
    // A window the user closed comes back empty, with a fresh status bar.
    m_wasClosed = false;
    m_model->Clear();
    Load();
}

void frmResult::ShowWindow(const QString &strMsg)
{
    AddMessage(strMsg);
    show();
}

void frmResult::AddMessage(const QString &strMsg)
{
    const bool reopen = m_wasClosed;
    EnsureLoaded();
    m_model->Append(strMsg);
    FramePacer::NoteLine();
    // A window closed by the user comes back with the next line: results
    // are never written where nobody can see them.
    if (reopen)
        show();
    if (!m_sinceSync.isValid() || m_sinceSync.elapsed() >= FramePacer::StreamingFrameMilliseconds)
        SyncView();
    else if (!m_syncTimer.isActive())
        m_syncTimer.start();
    modCommon::CurrentHost().Yield();
}

void frmResult::SyncView()
{
    m_syncTimer.stop();
    m_sinceSync.restart();
    m_model->Publish();
    UpdateCounts();
    const int newest = m_model->LineCount() - 1;
    if (newest < 0)
        return;
    const QModelIndex index = m_model->index(newest);
    lstResult->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    lstResult->scrollTo(index);
    modStatusBar::SetStatusBarText(m_hWndStatusBar, QStringLiteral("Line : ") + QString::number(newest));
}

void frmResult::Clear()
{
    EnsureLoaded();
    m_syncTimer.stop();
    m_model->Clear();
    UpdateCounts();
}

int frmResult::LineCount() const
{
    return m_model->LineCount();
}

QString frmResult::Line(int index) const
{
    if (index < 0 || index >= m_model->LineCount())
        return QString();
    return m_model->Line(index);
}

QStringList frmResult::Lines() const
{
    QStringList lines;
    lines.reserve(m_model->LineCount());
    for (int i = 0; i < m_model->LineCount(); ++i)
        lines << m_model->Line(i);
    return lines;
}

int frmResult::SelectedRow() const
{
    const QModelIndexList selected = lstResult->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

QString frmResult::DoubleClickTarget(const QString &line)
{
    const int at = line.indexOf(InMarker());
    if (at < 0)
        return QString();
    return line.mid(at + InMarker().size());
}

void frmResult::OpenSelectedLine()
{
    const int row = SelectedRow();
    OpenLine(row >= 0 ? Line(row) : QString());
}

void frmResult::OpenLine(const QString &line)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString target = line.isEmpty() ? QString() : DoubleClickTarget(line);
    if (!target.isEmpty()) {
        if (const auto &opener = platform::ActiveTestHooks().opener)
            opener(target);
        else
            QDesktopServices::openUrl(platform::LocalFileUrl(target));
    }
    QApplication::restoreOverrideCursor();
}

bool frmResult::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstResult && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            OpenSelectedLine();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmResult::closeEvent(QCloseEvent *event)
{
    if (!m_host || !m_host->StopFlag()) {
        event->ignore();
        return;
    }
    delete m_hWndStatusBar;
    m_hWndStatusBar = nullptr;
    m_loaded = false;
    m_wasClosed = true;
    event->accept();
}

void frmResult::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    modStatusBar::ResizeStatusBar(this, m_hWndStatusBar);
    if (m_loaded)
        geometry::FitToMargins(this, lstResult, m_lngMarginHeight, m_lngMarginWidth);
}

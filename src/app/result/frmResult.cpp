#include "app/result/frmResult.h"

#include "app/result/framepacer.h"
#include "app/result/geometry.h"
#include "app/result/resultlistview.h"
#include "app/result/resultmodel.h"
#include "app/statusbar/modStatusBar.h"
#include "common/host.h"
#include "platform/nativepath.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>

namespace {

frmResult *g_instance = nullptr;
frmResult::Opener g_opener;

// Design layout, in twips.
constexpr int DesignClientWidth = 4410;
constexpr int DesignClientHeight = 7545;

const QString &InMarker()
{
    static const QString marker = QStringLiteral(" in ");
    return marker;
}

} // namespace

void InitPathwrenResources()
{
    Q_INIT_RESOURCE(icons);
}

frmResult &frmResult::Instance()
{
    if (!g_instance)
        g_instance = new frmResult();
    return *g_instance;
}

frmResult *frmResult::ExistingInstance()
{
    return g_instance;
}

void frmResult::DestroyInstance()
{
    delete g_instance;
    g_instance = nullptr;
}

frmResult::frmResult()
    : QWidget(nullptr)
{
    InitPathwrenResources();
    FramePacer::Install();
    setObjectName(QStringLiteral("frmResult"));
    setWindowTitle(QStringLiteral("Pathwren（検索結果）"));
    setWindowIcon(QIcon(QStringLiteral(":/pathwren/pathwren.png")));
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

    cmdClear = new QPushButton(QStringLiteral("クリアー(&C)"), this);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    cmdClear->setToolTip(QStringLiteral("表示している情報を全て消去します。"));
    connect(cmdClear, &QPushButton::clicked, this, &frmResult::Clear);

    setTabOrder(lstResult, cmdClear);
    PlaceDesignGeometry();
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
    if (m_hWndStatusBar == nullptr)
        m_hWndStatusBar = modStatusBar::CreateStatusBar(this);

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

void frmResult::SetOpenerForTesting(Opener opener)
{
    g_opener = std::move(opener);
}

void frmResult::OpenSelectedLine()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int row = SelectedRow();
    const QString line = row >= 0 ? Line(row) : QString();
    const QString target = line.isEmpty() ? QString() : DoubleClickTarget(line);
    if (!target.isEmpty()) {
        if (g_opener)
            g_opener(target);
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

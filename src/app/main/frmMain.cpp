// The main window's layout and lifecycle: load, unload, resize, settings.
#include "app/main/frmMain.h"

#include "app/shared/geometry.h"
#include "app/shared/icon.h"
#include "app/statusbar/modStatusBar.h"
#include "common/log.h"
#include "foldertree/foldertree.h"
#include "shell/modShellFileDisk.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStylePainter>
#include <limits>
#include <qdrawutil.h>

namespace {

const char *const AppTitle = "Pathwren";
const char *const SettingsSection = "Setting";
const char *const DefaultPattern = "*.txt;*.doc;*DATA*";

// Design client area, twips.
constexpr int DesignClientWidth = 5505;
constexpr int DesignClientHeight = 7545;

QString SettingsPath()
{
    // A settings object reads its files as soon as it is made, so the place
    // is asked of one for a name that no file has.
    const QSettings probe(QSettings::IniFormat, QSettings::UserScope, QStringLiteral(".pathwren-place"));
    return QFileInfo(probe.fileName()).path() + QLatin1Char('/') + QString::fromLatin1(AppTitle)
           + QLatin1Char('/') + QString::fromLatin1(AppTitle) + QStringLiteral(".ini");
}

// The settings, or null when something other than a regular file holds
// their place: opening a FIFO would wait for a writer that never comes, and
// nothing is to be written into a device.  The program then runs on the
// defaults and leaves that path alone.
std::unique_ptr<QSettings> OpenSettings()
{
    const QString path = SettingsPath();
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return nullptr;
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->beginGroup(QString::fromLatin1(SettingsSection));
    return settings;
}

// A stored text, or the default when there is none.
QString Stored(const QSettings *settings, const char *key, const QString &defaultValue)
{
    return settings ? settings->value(QString::fromLatin1(key), defaultValue).toString() : defaultValue;
}

// A stored coordinate in twips; anything that is not a whole number takes
// the default, so a damaged setting never hides a window.
long long StoredTwips(const QSettings *settings, const char *key, long long defaultValue)
{
    const QString text = Stored(settings, key, QString::number(defaultValue));
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

// A window whose caption lies on no screen (a monitor that is gone) could
// never be dragged back into view.
bool CaptionOnAnyScreen(const QRect &outer)
{
    constexpr int captionHeight = 24;
    const QRect caption(outer.left(), outer.top(), outer.width(), captionHeight);
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens)
        if (screen->geometry().intersects(caption))
            return true;
    return screens.isEmpty();
}

// A label keeps its design place when the user-interface font fits its
// caption there (the font is chosen so); with a wider fallback font it takes
// the frame's room up to its text box, right-aligned against it, so that a
// caption is never cut off.
void FitLabelBeforeBuddy(QLabel *label, const QWidget *buddy)
{
    if (QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width())
        return;
    constexpr int frameInset = 4;
    constexpr int gap = 2;
    QRect rect = label->geometry();
    rect.setLeft(qMin(rect.left(), frameInset));
    rect.setRight(buddy->geometry().left() - gap);
    label->setGeometry(rect);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

// A frame whose caption sits on its top border, the border running through
// the caption's middle, as the design draws it: the design's children start
// just below the caption, where a style's own group box would still be
// drawing its caption band or its border.
class CaptionOnBorderFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        const QFontMetrics metrics(font());
        const int flags = Qt::AlignLeft | Qt::AlignVCenter
                          | (style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, this) ? Qt::TextShowMnemonic
                                                                                            : Qt::TextHideMnemonic);
        QRect caption = metrics.boundingRect(QRect(0, 0, width(), metrics.height()), flags, title());
        caption.moveTo(CaptionIndent, 0);
        caption.setHeight(metrics.height());

        // An etched line; a style's own group-box frame keeps its caption
        // band above the border whatever rectangle it is given.
        painter.save();
        painter.setClipRegion(QRegion(rect()) - caption.adjusted(-CaptionGap, 0, CaptionGap, 0));
        qDrawShadeRect(&painter, rect().adjusted(0, metrics.height() / 2, 0, 0), palette(), true, 1, 0);
        painter.restore();
        painter.drawItemText(caption, flags, palette(), isEnabled(), title(), QPalette::WindowText);
    }

private:
    static constexpr int CaptionIndent = 8;
    static constexpr int CaptionGap = 2;
};

QPushButton *MakeButton(QWidget *parent, const char *name, const QString &caption, const QString &tip, QRect rect)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    if (!tip.isEmpty())
        button->setToolTip(tip);
    button->setGeometry(rect);
    return button;
}

} // namespace

frmMain::frmMain(frmResult &result, QWidget *parent)
    : QWidget(parent)
    , m_result(result)
    , m_search({[this](const QString &line) { AddMessage(line); }, [this] { Yield(); },
                [this](const QString &text) { SetBottomMessage(text); }, [this] { return txtFolder->text(); },
                [this] { return chkDetail->isChecked(); }})
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(AppTitle));
    setWindowIcon(PathwrenIcon());
    CreateControls();
    modCommon::SetHost(this);
    m_result.SetHost(this);
}

frmMain::~frmMain()
{
    if (&modCommon::CurrentHost() == static_cast<modCommon::Host *>(this))
        modCommon::SetHost(nullptr);
    m_result.SetHost(nullptr);
    frmResult::DestroyInstance();
}

QString frmMain::SettingsFileName()
{
    return SettingsPath();
}

void frmMain::CreateControls()
{
    using geometry::DesignRect;
    resize(geometry::TwipsToPixels(DesignClientWidth), geometry::TwipsToPixels(DesignClientHeight));

    cmdExpand = MakeButton(this, "cmdExpand", QStringLiteral("検索実行(&E)"),
                           QStringLiteral("ツリーの選択位置から検索を実行します。ファイルとフォルダが検索対象となります。"),
                           DesignRect(375, 60, 1500, 300));
    cmdExpandToDrv = MakeButton(this, "cmdExpandToDrv", QStringLiteral("検索コピー(&F)"),
                                QStringLiteral("ツリーの選択位置から検索と、検索結果のコピーを実行します。ファイルのみが対象となります。"),
                                DesignRect(1920, 60, 1500, 300));
    cmdCancel = MakeButton(this, "cmdCancel", QStringLiteral("検索中断(&C)"),
                           QStringLiteral("検索処理を中断します。"), DesignRect(3465, 60, 1500, 300));

    fraTitle = new CaptionOnBorderFrame(QStringLiteral("&Option"), this);
    fraTitle->setObjectName(QStringLiteral("fraTitle"));
    fraTitle->setGeometry(DesignRect(15, 375, 5475, 825));

    Label1 = new QLabel(QStringLiteral("検索文字列："), fraTitle);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(DesignRect(90, 210, 1020, 225));

    txtPattern = new QLineEdit(fraTitle);
    txtPattern->setObjectName(QStringLiteral("txtPattern"));
    txtPattern->setGeometry(DesignRect(1080, 150, 2985, 270));
    txtPattern->setToolTip(QStringLiteral("検索するファイルパターンを設定します。(例) *.txt;*.doc;*DATA*"));
    txtPattern->setAccessibleName(QStringLiteral("検索文字列"));
    Label1->setBuddy(txtPattern);

    // No length limit: a long pasted list must not lose its last patterns.
    txtPattern->setMaxLength(std::numeric_limits<int>::max());

    chkDetail = new QCheckBox(QStringLiteral("完全展開(&P)"), fraTitle);
    chkDetail->setObjectName(QStringLiteral("chkDetail"));
    chkDetail->setGeometry(DesignRect(4125, 165, 1260, 240));
    chkDetail->setChecked(true);

    Label2 = new QLabel(QStringLiteral("コピー先："), fraTitle);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(DesignRect(315, 525, 810, 225));

    txtFolder = new QLineEdit(fraTitle);
    txtFolder->setObjectName(QStringLiteral("txtFolder"));
    txtFolder->setMaxLength(std::numeric_limits<int>::max());
    txtFolder->setGeometry(DesignRect(1080, 465, 3885, 270));
    txtFolder->setAccessibleName(QStringLiteral("コピー先"));
    Label2->setBuddy(txtFolder);

    cmdFolder = MakeButton(fraTitle, "cmdFolder", QStringLiteral("..."),
                           QStringLiteral("コピー先フォルダを指定します。"), DesignRect(5010, 450, 360, 300));
    cmdFolder->setAccessibleName(QStringLiteral("コピー先フォルダの指定"));
    FitLabelBeforeBuddy(Label1, txtPattern);
    FitLabelBeforeBuddy(Label2, txtFolder);

    tvMain = new FolderTreeView(this);
    tvMain->setObjectName(QStringLiteral("tvMain"));
    tvMain->setGeometry(DesignRect(0, 1230, 5520, 6060));

    tmrMsgClose = new QTimer(this);
    tmrMsgClose->setObjectName(QStringLiteral("tmrMsgClose"));
    tmrMsgClose->setInterval(100);

    // Tab order as designed; the labels and the frame take no focus.
    setTabOrder(cmdExpand, cmdExpandToDrv);
    setTabOrder(cmdExpandToDrv, cmdCancel);
    setTabOrder(cmdCancel, txtPattern);
    setTabOrder(txtPattern, chkDetail);
    setTabOrder(chkDetail, txtFolder);
    setTabOrder(txtFolder, cmdFolder);
    setTabOrder(cmdFolder, tvMain);

    connect(cmdExpand, &QPushButton::clicked, this, &frmMain::cmdExpand_Click);
    connect(cmdExpandToDrv, &QPushButton::clicked, this, &frmMain::cmdExpandToDrv_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);
    // However the box changes: mouse, Space, access key or an
    // accessibility client's toggle action (which does not click).
    connect(chkDetail, &QCheckBox::toggled, this, &frmMain::chkDetail_Click);
    connect(cmdFolder, &QPushButton::clicked, this, &frmMain::cmdFolder_Click);
    connect(tmrMsgClose, &QTimer::timeout, this, &frmMain::tmrMsgClose_Timer);
}

void frmMain::Load()
{
    m_hWndStatusBar = modStatusBar::CreateStatusBar(this);
    tvMain->SetStartupOption(false);
    modCommon::WriteLog(QStringLiteral("System Start..."));

    // The tree keeps its design distances to the bottom and right edges.
    // Measured on the client area: a window manager's frame is unknown
    // until the window is shown and must not change the tree's place.
    m_lngMarginHeight = height() - tvMain->height();
    m_lngMarginWidth = width() - tvMain->width();

    const auto settings = OpenSettings();
    txtPattern->setText(Stored(settings.get(), "Pattern", QString::fromLatin1(DefaultPattern)));
    const QString desktop = modShellFileDisk::GetShellDesktopLocation(this);
    txtFolder->setText(Stored(settings.get(), "CopyPath", desktop));
    ApplyStoredRectangle(settings.get());

    tmrMsgClose->start();
    m_result.ShowWindow(QStringLiteral("☆☆☆ 検索結果ウィンドウ ☆☆☆"));
    show();
}

void frmMain::ApplyStoredRectangle(const QSettings *settings)
{
    const int left = geometry::TwipsToPixels(StoredTwips(settings, "Left", 1000));
    const int top = geometry::TwipsToPixels(StoredTwips(settings, "Top", 1000));
    const int width = geometry::TwipsToPixels(StoredTwips(settings, "Width", 5625));
    const int height = geometry::TwipsToPixels(StoredTwips(settings, "Height", 7950));
    // Left and top place the outer frame; width and height are outer sizes.
    QRect outer(left, top, width, height);
    if (!CaptionOnAnyScreen(outer))
        outer.moveTopLeft(QPoint(geometry::TwipsToPixels(1000), geometry::TwipsToPixels(1000)));
    geometry::SetOuterRect(this, outer);
}

void frmMain::SaveRectangle(QSettings &settings) const
{
    // Minimized or maximized, the normal rectangle is what must come back.
    QRect outer = frameGeometry();
    if (isMinimized() || isMaximized() || isFullScreen()) {
        const QRect normal = normalGeometry();
        const QMargins frame(geometry().left() - outer.left(), geometry().top() - outer.top(),
                             outer.right() - geometry().right(), outer.bottom() - geometry().bottom());
        outer = normal.marginsAdded(frame);
    }
    settings.setValue(QStringLiteral("Left"), QString::number(geometry::PixelsToTwips(outer.left())));
    settings.setValue(QStringLiteral("Top"), QString::number(geometry::PixelsToTwips(outer.top())));
    settings.setValue(QStringLiteral("Width"), QString::number(geometry::PixelsToTwips(outer.width())));
    settings.setValue(QStringLiteral("Height"), QString::number(geometry::PixelsToTwips(outer.height())));
}

void frmMain::closeEvent(QCloseEvent *event)
{
    m_search.RequestStop();
    if (m_search.Running()) {
        // The running search ends at its next poll; a second close goes through.
        event->ignore();
        return;
    }
    delete m_hWndStatusBar;
    m_hWndStatusBar = nullptr;
    if (const auto settings = OpenSettings()) {
        settings->setValue(QStringLiteral("Pattern"), txtPattern->text());
        settings->setValue(QStringLiteral("CopyPath"), txtFolder->text());
        SaveRectangle(*settings);
        settings->sync();
    }
    tmrMsgClose->stop();
    m_result.close();
    modCommon::WriteLog(QStringLiteral("System End..."));
    event->accept();
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    modStatusBar::ResizeStatusBar(this, m_hWndStatusBar);
    if (m_hWndStatusBar)   // before load the design layout stands
        geometry::FitToMargins(this, tvMain, m_lngMarginHeight, m_lngMarginWidth);
}

void frmMain::SetBottomMessage(const QString &strMsg)
{
    modStatusBar::SetStatusBarText(m_hWndStatusBar, strMsg);
}

void frmMain::SetYieldObserver(std::function<void(int)> observer)
{
    m_yieldObserver = std::move(observer);
    m_yieldCount = 0;
}

void frmMain::AddMessage(const QString &strMsg)
{
    m_result.AddMessage(strMsg);
}

void frmMain::Yield()
{
    // A fast walk yields every few microseconds, and each look at the window
    // system's queue costs more than that: the queue is looked at once a
    // millisecond at most (and at a search's first yield), which no one can
    // see or feel.
    if (!m_sinceEvents.isValid() || m_sinceEvents.nsecsElapsed() >= EventIntervalNanoseconds) {
        QCoreApplication::processEvents();
        m_sinceEvents.start();
    }
    if (m_yieldObserver)
        m_yieldObserver(++m_yieldCount);
}

void frmMain::cmdFolder_Click()
{
    const QString chosen = modShellFileDisk::BrowseForFolder(
        this, QStringLiteral("コピー先のフォルダを指定して下さい。"), QString());
    if (!chosen.isEmpty())
        txtFolder->setText(chosen);
}

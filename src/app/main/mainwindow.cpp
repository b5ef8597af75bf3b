// The main window's layout and lifecycle: load, unload, resize, settings.
#include "app/main/mainwindow.h"

#include "app/main/settingsfile.h"

#include "app/shared/geometry.h"
#include "app/shared/icon.h"
#include "app/statusbar/statusbar.h"
#include "common/log.h"
#include "foldertree/foldertree.h"
#include "shell/shellfolders.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QStyleOption>
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
// The stored rectangle's defaults (the design's outer size, twips), and the
// least outer size a stored one may have: one button wide, and as high as
// what lies above and below the folder tree.
constexpr int DefaultLeft = 1000;
constexpr int DefaultTop = 1000;
constexpr int DefaultWidth = 5625;
constexpr int DefaultHeight = 7950;
constexpr int LeastWidth = 1500;
constexpr int LeastHeight = DefaultHeight - 6060;

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

// The stored values, read as a person reads the file (a hand-edited value
// counts to the end of its line), or the defaults where there are none.
class StoredValues {
public:
    explicit StoredValues(const QSettings *settings)
        : m_settings(settings)
    {
        if (!settings)
            return;
        QFile file(settings->fileName());
        if (file.open(QIODevice::ReadOnly))
            m_lines = settingsfile::SectionLines(file.readAll(), QString::fromLatin1(SettingsSection));
    }

    QString Text(const char *key, const QString &defaultValue) const
    {
        if (!m_settings)
            return defaultValue;
        const QString name = QString::fromLatin1(key);
        const auto line = m_lines.constFind(name);
        if (line != m_lines.constEnd())
            return settingsfile::LineValue(*line, m_settings->value(name));
        return m_settings->value(name, defaultValue).toString();
    }

    // A coordinate in twips; anything that is not a whole number takes the
    // default, so a damaged setting never hides a window.
    long long Twips(const char *key, long long defaultValue) const
    {
        const QString text = Text(key, QString::number(defaultValue));
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        return ok ? value : defaultValue;
    }

private:
    const QSettings *m_settings;
    QHash<QString, QString> m_lines;
};

// A label keeps its design place when the user-interface font fits its
// caption there (the font is chosen so); with a wider fallback font it takes
// the frame's room up to its text box, right-aligned against it, so that a
// caption is never cut off.
// Pixels: the room kept inside the option frame's border, and between a
// control and the one it gives room to.
constexpr int FrameInset = 4;
constexpr int Gap = 2;

void FitLabelBeforeBuddy(QLabel *label, const QWidget *buddy)
{
    if (QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width())
        return;
    QRect rect = label->geometry();
    rect.setLeft(qMin(rect.left(), FrameInset));
    rect.setRight(buddy->geometry().left() - Gap);
    label->setGeometry(rect);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

// Sizes that depend on the style are measured from it; the design's sizes
// stand where the style fits in them.  A control that must be higher grows
// about its middle line, so rows keep their places.
void GrowToHeight(QWidget *control, int height)
{
    if (control->height() >= height)
        return;
    QRect rect = control->geometry();
    rect.translate(0, -(height - rect.height()) / 2);
    rect.setHeight(height);
    control->setGeometry(rect);
}

// A text box holds its frame around one line of text (a style that finds
// less room draws no frame at all), and the line itself: margins the style
// sets around the text when it polishes the box give way to the text.
void FitTextBoxToStyle(QLineEdit *edit)
{
    edit->ensurePolished();
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    const int line = edit->fontMetrics().height();
    GrowToHeight(edit, line + 2 * option.lineWidth);
    option.rect = edit->rect();
    const int room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit).height() - line;
    QMargins margins = edit->textMargins();
    if (margins.top() + margins.bottom() > room) {
        margins.setTop(qMax(0, room / 2));
        margins.setBottom(qMax(0, room - room / 2));
        edit->setTextMargins(margins);
    }
}

// A check box holds its indicator, the style's gap and its whole caption,
// keeping its left edge; where the frame's border leaves too little room
// it moves left, and the control before it gives up that room.
void FitCheckBoxToStyle(QCheckBox *box, QWidget *before)
{
    box->ensurePolished();
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QStyle *style = box->style();
    GrowToHeight(box, style->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).height());
    option.rect = box->rect();
    const int captionLeft = style->subElementRect(QStyle::SE_CheckBoxContents, &option, box).left();
    const int caption = box->fontMetrics().size(Qt::TextShowMnemonic, box->text()).width();
    QRect rect = box->geometry();
    rect.setWidth(qMax(rect.width(), captionLeft + caption));
    const int rightmost = box->parentWidget()->width() - FrameInset - 1;
    if (rect.right() > rightmost) {
        rect.moveRight(rightmost);
        QRect room = before->geometry();
        room.setRight(qMin(room.right(), rect.left() - Gap - 1));
        before->setGeometry(room);
    }
    box->setGeometry(rect);
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

MainWindow::MainWindow(ResultWindow &result, QWidget *parent)
    : QWidget(parent)
    , m_result(result)
    , m_search(*this, {[this] { return m_destinationEdit->text(); }, [this] { return m_fullExpandCheck->isChecked(); }})
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QString::fromLatin1(AppTitle));
    setWindowIcon(PathwrenIcon());
    CreateControls();
    m_result.SetHost(this);
}

MainWindow::~MainWindow()
{
    m_result.SetHost(nullptr);
    ResultWindow::DestroyInstance();
}

QString MainWindow::SettingsFileName()
{
    return SettingsPath();
}

void MainWindow::CreateControls()
{
    using geometry::DesignRect;
    resize(geometry::TwipsToPixels(DesignClientWidth), geometry::TwipsToPixels(DesignClientHeight));

    m_searchButton = MakeButton(this, "searchButton", QStringLiteral("検索実行(&E)"),
                           QStringLiteral("ツリーの選択位置から検索を実行します。ファイルとフォルダが検索対象となります。"),
                           DesignRect(375, 60, 1500, 300));
    m_searchCopyButton = MakeButton(this, "searchCopyButton", QStringLiteral("検索コピー(&F)"),
                                QStringLiteral("ツリーの選択位置から検索と、検索結果のコピーを実行します。ファイルのみが対象となります。"),
                                DesignRect(1920, 60, 1500, 300));
    m_stopButton = MakeButton(this, "stopButton", QStringLiteral("検索中断(&C)"),
                           QStringLiteral("検索処理を中断します。"), DesignRect(3465, 60, 1500, 300));

    m_optionFrame = new CaptionOnBorderFrame(QStringLiteral("&Option"), this);
    m_optionFrame->setObjectName(QStringLiteral("optionFrame"));
    m_optionFrame->setGeometry(DesignRect(15, 375, 5475, 825));

    m_patternLabel = new QLabel(QStringLiteral("検索文字列："), m_optionFrame);
    m_patternLabel->setObjectName(QStringLiteral("patternLabel"));
    m_patternLabel->setGeometry(DesignRect(90, 210, 1020, 225));

    m_patternEdit = new QLineEdit(m_optionFrame);
    m_patternEdit->setObjectName(QStringLiteral("patternEdit"));
    m_patternEdit->setGeometry(DesignRect(1080, 150, 2985, 270));
    m_patternEdit->setToolTip(QStringLiteral("検索するファイルパターンを設定します。(例) *.txt;*.doc;*DATA*"));
    m_patternEdit->setAccessibleName(QStringLiteral("検索文字列"));
    m_patternLabel->setBuddy(m_patternEdit);

    // No length limit: a long pasted list must not lose its last patterns.
    m_patternEdit->setMaxLength(std::numeric_limits<int>::max());

    m_fullExpandCheck = new QCheckBox(QStringLiteral("完全展開(&P)"), m_optionFrame);
    m_fullExpandCheck->setObjectName(QStringLiteral("fullExpandCheck"));
    m_fullExpandCheck->setGeometry(DesignRect(4125, 165, 1260, 240));
    m_fullExpandCheck->setChecked(true);

    m_destinationLabel = new QLabel(QStringLiteral("コピー先："), m_optionFrame);
    m_destinationLabel->setObjectName(QStringLiteral("destinationLabel"));
    m_destinationLabel->setGeometry(DesignRect(315, 525, 810, 225));

    m_destinationEdit = new QLineEdit(m_optionFrame);
    m_destinationEdit->setObjectName(QStringLiteral("destinationEdit"));
    m_destinationEdit->setMaxLength(std::numeric_limits<int>::max());
    m_destinationEdit->setGeometry(DesignRect(1080, 465, 3885, 270));
    m_destinationEdit->setAccessibleName(QStringLiteral("コピー先"));
    m_destinationLabel->setBuddy(m_destinationEdit);

    m_browseButton = MakeButton(m_optionFrame, "browseButton", QStringLiteral("..."),
                           QStringLiteral("コピー先フォルダを指定します。"), DesignRect(5010, 450, 360, 300));
    m_browseButton->setAccessibleName(QStringLiteral("コピー先フォルダの指定"));
    FitTextBoxToStyle(m_patternEdit);
    FitTextBoxToStyle(m_destinationEdit);
    FitCheckBoxToStyle(m_fullExpandCheck, m_patternEdit);
    FitLabelBeforeBuddy(m_patternLabel, m_patternEdit);
    FitLabelBeforeBuddy(m_destinationLabel, m_destinationEdit);

    m_folderTree = new FolderTreeView(this);
    m_folderTree->setObjectName(QStringLiteral("folderTree"));
    m_folderTree->setGeometry(DesignRect(0, 1230, 5520, 6060));
    ConnectExclusions();

    m_dialogCloser = new SearchDialogCloser(this, [this] { return m_search.Running(); });

    // Tab order as designed; the labels and the frame take no focus.
    setTabOrder(m_searchButton, m_searchCopyButton);
    setTabOrder(m_searchCopyButton, m_stopButton);
    setTabOrder(m_stopButton, m_patternEdit);
    setTabOrder(m_patternEdit, m_fullExpandCheck);
    setTabOrder(m_fullExpandCheck, m_destinationEdit);
    setTabOrder(m_destinationEdit, m_browseButton);
    setTabOrder(m_browseButton, m_folderTree);

    connect(m_searchButton, &QPushButton::clicked, this, &MainWindow::Search);
    connect(m_searchCopyButton, &QPushButton::clicked, this, &MainWindow::SearchAndCopy);
    connect(m_stopButton, &QPushButton::clicked, this, &MainWindow::RequestStop);
    // However the box changes: mouse, Space, access key or an
    // accessibility client's toggle action (which does not click).
    connect(m_fullExpandCheck, &QCheckBox::toggled, this, &MainWindow::UpdateCopyButton);
    connect(m_browseButton, &QPushButton::clicked, this, &MainWindow::BrowseForDestination);
}

void MainWindow::Load()
{
    m_statusBar = statusbar::CreateStatusBar(this);
    common::WriteLog(QStringLiteral("System Start..."));

    // The tree keeps its design distances to the bottom and right edges.
    // Measured on the client area: a window manager's frame is unknown
    // until the window is shown and must not change the tree's place.
    m_marginHeight = height() - m_folderTree->height();
    m_marginWidth = width() - m_folderTree->width();

    const auto settings = OpenSettings();
    const StoredValues stored(settings.get());
    m_patternEdit->setText(stored.Text("Pattern", QString::fromLatin1(DefaultPattern)));
    const QString desktop = shell::DesktopFolder(this);
    m_destinationEdit->setText(stored.Text("CopyPath", desktop));
    // Files written before folders could be left out lack both keys.
    if (settings) {
        for (const QString &path : settings->value(QStringLiteral("ExcludedPaths")).toStringList())
            m_exclusions.AddPath(path);
        for (const QString &name : settings->value(QStringLiteral("ExcludedNames")).toStringList())
            m_exclusions.AddName(name);
        m_folderTree->RefreshExclusions();
    }
    using geometry::TwipsToPixels;
    ApplyStoredRectangle(QRect(TwipsToPixels(stored.Twips("Left", DefaultLeft)),
                               TwipsToPixels(stored.Twips("Top", DefaultTop)),
                               TwipsToPixels(stored.Twips("Width", DefaultWidth)),
                               TwipsToPixels(stored.Twips("Height", DefaultHeight))));

    m_dialogCloser->Start();
    m_result.ShowWithLine(QStringLiteral("☆☆☆ 検索結果ウィンドウ ☆☆☆"));
    show();
    // The keyboard goes to this window, whichever window a window manager
    // would focus of the two that appear together (or none, without one).
    activateWindow();
}

void MainWindow::ConnectExclusions()
{
    m_search.SetExclusions(&m_exclusions);
    m_folderTree->SetExclusionTest([this](const QString &path, const QString &name) {
        return m_exclusions.Excludes(path, name);
    });
    connect(m_folderTree, &FolderTreeView::ExcludePathRequested, this, [this](const QString &path) {
        m_exclusions.AddPath(path);
        m_folderTree->RefreshExclusions();
    });
    connect(m_folderTree, &FolderTreeView::ExcludeNameRequested, this, [this](const QString &name) {
        m_exclusions.AddName(name);
        m_folderTree->RefreshExclusions();
    });
    connect(m_folderTree, &FolderTreeView::IncludeRequested, this, [this](const QString &path, const QString &name) {
        m_exclusions.RemovePath(path);
        m_exclusions.RemoveName(name);
        m_folderTree->RefreshExclusions();
    });
}

void MainWindow::ApplyStoredRectangle(const QRect &stored)
{
    using geometry::TwipsToPixels;
    // Left and top place the outer frame; width and height are outer sizes.
    const QRect outer = geometry::FitToScreens(
        stored, QSize(TwipsToPixels(DefaultWidth), TwipsToPixels(DefaultHeight)),
        QSize(TwipsToPixels(LeastWidth), TwipsToPixels(LeastHeight)),
        QPoint(TwipsToPixels(DefaultLeft), TwipsToPixels(DefaultTop)), geometry::ScreenAreas());
    geometry::SetOuterRect(this, outer);
}

void MainWindow::SaveRectangle(QSettings &settings) const
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

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_search.RequestStop();
    if (m_search.Running()) {
        // The running search ends at its next poll; a second close goes through.
        event->ignore();
        return;
    }
    delete m_statusBar;
    m_statusBar = nullptr;
    if (const auto settings = OpenSettings()) {
        settings->setValue(QStringLiteral("Pattern"), m_patternEdit->text());
        settings->setValue(QStringLiteral("CopyPath"), m_destinationEdit->text());
        // Only once something is left out: a file stays as it was for
        // everyone who never leaves anything out.
        const auto keep = [&settings](const char *key, const QStringList &values) {
            if (values.isEmpty())
                settings->remove(QString::fromLatin1(key));
            else
                settings->setValue(QString::fromLatin1(key), values);
        };
        keep("ExcludedPaths", m_exclusions.Paths());
        keep("ExcludedNames", m_exclusions.Names());
        SaveRectangle(*settings);
        settings->sync();
    }
    m_dialogCloser->Stop();
    m_result.close();
    common::WriteLog(QStringLiteral("System End..."));
    event->accept();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    statusbar::ResizeStatusBar(this, m_statusBar);
    if (m_statusBar)   // before load the design layout stands
        geometry::FitToMargins(this, m_folderTree, m_marginHeight, m_marginWidth);
}

void MainWindow::SetStatusText(const QString &text)
{
    statusbar::SetStatusBarText(m_statusBar, text);
}

void MainWindow::SetYieldObserver(std::function<void(int)> observer)
{
    m_yieldObserver = std::move(observer);
    m_yieldCount = 0;
}

void MainWindow::AppendLine(const QString &line)
{
    m_result.AppendLine(line);
}

void MainWindow::Yield()
{
    // A fast walk yields every few microseconds, and each look at the window
    // system's queue costs more than that: the queue is looked at once
    // every two milliseconds at most (and at a search's first yield), which
    // no one can see or feel.
    if (!m_sinceEvents.isValid() || m_sinceEvents.nsecsElapsed() >= EventIntervalNanoseconds) {
        QCoreApplication::processEvents();
        m_sinceEvents.start();
    }
    if (m_yieldObserver)
        m_yieldObserver(++m_yieldCount);
}

void MainWindow::BrowseForDestination()
{
    const QString chosen = shell::BrowseForFolder(
        this, QStringLiteral("コピー先のフォルダを指定して下さい。"), QString());
    if (!chosen.isEmpty())
        m_destinationEdit->setText(chosen);
    // A window manager may hand the keyboard to the other window once the
    // dialog is gone.
    activateWindow();
}

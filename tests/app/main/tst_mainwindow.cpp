// The main window's layout, load, unload, resize and settings, offscreen.
#include "mainfixture.h"

#include "app/main/appsetup.h"

#include "app/shared/geometry.h"
#include "app/statusbar/statusbar.h"
#include "foldertree/foldertree.h"
#include "fixtures.h"
#include "tempdir.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QAccessible>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QtTest>
#include <iostream>

class TestMainWindow : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> f;

    void WriteSettings(const QList<QPair<QString, QString>> &values)
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pathwren"), QStringLiteral("Pathwren"));
        s.beginGroup(QStringLiteral("Setting"));
        for (const auto &kv : values)
            s.setValue(kv.first, kv.second);
    }
    QString Setting(const QString &key)
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pathwren"), QStringLiteral("Pathwren"));
        s.beginGroup(QStringLiteral("Setting"));
        return s.value(key, QStringLiteral("<absent>")).toString();
    }

private slots:
    void initTestCase()
    {
        InstallQtJapanese(*QCoreApplication::instance());
        SetUserInterfaceFont(std::cerr);
    }
    void init() { f = std::make_unique<MainFixture>(); }

    // Qt's own texts in Japanese, and one font that draws Japanese and
    // Latin alike, preferring the IPA fonts.
    void japaneseThroughout_data()
    {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("english");
        QTest::newRow("text box menu") << "QLineEdit" << "&Undo";
        QTest::newRow("folder dialog") << "QFileDialog" << "Look in:";
        QTest::newRow("dialog button") << "QPlatformTheme" << "Cancel";
    }
    void japaneseThroughout()
    {
        QFETCH(QString, context);
        QFETCH(QString, english);
        if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ja.qm")))
            QSKIP("Qt's Japanese translation is not installed (package qt6-translations-l10n)");
        QVERIFY(QCoreApplication::translate(context.toLatin1(), english.toLatin1()) != english);
        const QStringList families = JapaneseFontFamilies();
        if (families.isEmpty())
            QSKIP("no installed font draws Japanese (package fonts-ipafont-gothic)");
        if (QFontDatabase::families().contains(QStringLiteral("IPAPGothic")))
            QCOMPARE(families.first(), QStringLiteral("IPAPGothic"));
        QCOMPARE(QApplication::font().family(), families.first());
        const QFontMetrics metrics(QApplication::font());
        QVERIFY(metrics.inFontUcs4(U'検') && metrics.inFontUcs4(U'x'));
    }
    void cleanup() { f.reset(); }

    void firstStartTakesDefaults()
    {
        MainWindow &w = f->Start();
        QCOMPARE(w.windowTitle(), QStringLiteral("Pathwren"));
        QCOMPARE(Ui(w).patternEdit->text(), QStringLiteral("*.txt;*.doc;*DATA*"));
        QCOMPARE(Ui(w).destinationEdit->text(), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
        // 1000, 1000 twips with 5625 x 7950 twips, outer.
        QCOMPARE(w.frameGeometry(), QRect(67, 67, 375, 530));
        ResultWindow &r = f->Result();
        QVERIFY(r.isVisible());
        QCOMPARE(r.frameGeometry(), QRect(67 + 375, 67, 375, 530));
        QCOMPARE(r.Lines(), QStringList{QStringLiteral("☆☆☆ 検索結果ウィンドウ ☆☆☆")});
        // The program's icon on both windows, read from the compiled-in resources.
        QVERIFY(!w.windowIcon().availableSizes().isEmpty());
        QCOMPARE(r.windowIcon().availableSizes(), w.windowIcon().availableSizes());
        QCOMPARE(statusbar::StatusBarText(Ui(w).statusBar), QString());
        QCOMPARE(f->LogMessages(), QStringList{QStringLiteral("System Start...")});
        QVERIFY(!w.CurrentSearch().StopRequested());
        QVERIFY(!w.CurrentSearch().Running());
        QVERIFY(Ui(w).dialogCloseTimer->isActive());
        QCOMPARE(Ui(w).dialogCloseTimer->interval(), 100);
    }

    void controlsAsDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QRect>("rect");
        QTest::newRow("searchButton") << "searchButton" << QStringLiteral("検索実行(&E)")
            << QStringLiteral("ツリーの選択位置から検索を実行します。ファイルとフォルダが検索対象となります。") << QRect(25, 4, 100, 20);
        QTest::newRow("searchCopyButton") << "searchCopyButton" << QStringLiteral("検索コピー(&F)")
            << QStringLiteral("ツリーの選択位置から検索と、検索結果のコピーを実行します。ファイルのみが対象となります。") << QRect(128, 4, 100, 20);
        QTest::newRow("stopButton") << "stopButton" << QStringLiteral("検索中断(&C)")
            << QStringLiteral("検索処理を中断します。") << QRect(231, 4, 100, 20);
        QTest::newRow("patternLabel") << "patternLabel" << QStringLiteral("検索文字列：") << QString() << QRect(6, 14, 68, 15);
        QTest::newRow("patternEdit") << "patternEdit" << QString()
            << QStringLiteral("検索するファイルパターンを設定します。(例) *.txt;*.doc;*DATA*") << QRect(72, 10, 199, 18);
        QTest::newRow("fullExpandCheck") << "fullExpandCheck" << QStringLiteral("完全展開(&P)") << QString() << QRect(275, 11, 84, 16);
        QTest::newRow("destinationLabel") << "destinationLabel" << QStringLiteral("コピー先：") << QString() << QRect(21, 35, 54, 15);
        QTest::newRow("destinationEdit") << "destinationEdit" << QString() << QString() << QRect(72, 31, 259, 18);
        QTest::newRow("browseButton") << "browseButton" << QStringLiteral("...")
            << QStringLiteral("コピー先フォルダを指定します。") << QRect(334, 30, 24, 20);
        QTest::newRow("optionFrame") << "optionFrame" << QStringLiteral("&Option") << QString() << QRect(1, 25, 365, 55);
        QTest::newRow("folderTree") << "folderTree" << QString() << QString() << QRect(0, 82, 368, 404);
    }
    void controlsAsDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, tip);
        QFETCH(QRect, rect);
        const auto w = CreateWindows();   // design layout, before load
        auto *widget = w->findChild<QWidget *>(name);
        QVERIFY2(widget, qPrintable(name));
        QCOMPARE(widget->geometry(), rect);
        QCOMPARE(widget->toolTip(), tip);
        QString text;
        if (auto *b = qobject_cast<QAbstractButton *>(widget))
            text = b->text();
        else if (auto *l = qobject_cast<QLabel *>(widget))
            text = l->text();
        else if (auto *g = qobject_cast<QGroupBox *>(widget))
            text = g->title();
        QCOMPARE(text, caption);
        QVERIFY(widget->isEnabled());
        // Captions are never cut off, and every control draws in the one
        // user-interface font.
        if (auto *l = qobject_cast<QLabel *>(widget))
            QVERIFY(QFontMetrics(l->font()).horizontalAdvance(l->text()) <= l->width());
        QCOMPARE(widget->font(), QApplication::font());
    }

    // Whatever style is installed, every caption is whole and every text
    // box has its frame: what depends on the style (indicators, frame
    // widths, margins) is measured from it.  Adwaita comes with adwaita-qt6.
    void captionsWholeInEveryStyle_data()
    {
        QTest::addColumn<QString>("style");
        for (const char *style : {"Fusion", "Windows", "Adwaita", "Adwaita-Dark"})
            QTest::newRow(style) << QString::fromLatin1(style);
    }
    void captionsWholeInEveryStyle()
    {
        QFETCH(QString, style);
        if (!QStyleFactory::keys().contains(style, Qt::CaseInsensitive))
            QSKIP(qPrintable(style + QStringLiteral(" is not installed (Adwaita: package adwaita-qt6)")));
        const QString before = QApplication::style()->name();
        QApplication::setStyle(style);
        const auto restore = qScopeGuard([&] { QApplication::setStyle(before); });
        const auto w = CreateWindows();
        QList<QWidget *> controls = w->findChildren<QWidget *>();
        controls += ResultWindow::Instance().findChildren<QWidget *>();
        for (QWidget *control : std::as_const(controls)) {
            const QByteArray name = control->objectName().toLatin1();
            const QFontMetrics metrics(control->font());
            const QStyle *s = control->style();
            if (auto *box = qobject_cast<QCheckBox *>(control)) {
                QStyleOptionButton option;
                option.initFrom(box);
                const QRect caption = s->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
                QVERIFY2(caption.width() >= metrics.size(Qt::TextShowMnemonic, box->text()).width(), name);
                QVERIFY2(box->rect().contains(caption), name);
                QVERIFY2(box->rect().contains(s->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box)), name);
            } else if (auto *button = qobject_cast<QPushButton *>(control)) {
                QStyleOptionButton option;
                option.initFrom(button);
                const QRect caption = s->subElementRect(QStyle::SE_PushButtonContents, &option, button);
                QVERIFY2(caption.width() >= metrics.size(Qt::TextShowMnemonic, button->text()).width(), name);
            } else if (auto *label = qobject_cast<QLabel *>(control)) {
                QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(), name);
            } else if (auto *edit = qobject_cast<QLineEdit *>(control)) {
                // Empty, as before load: its left border against its inside.
                const QImage image = edit->grab().toImage();
                const int middle = image.height() / 2;
                QVERIFY2(image.pixel(0, middle) != image.pixel(image.width() / 2, middle), name + " has no frame");
                // Its text is clipped to its contents less its text margins.
                QStyleOptionFrame option;
                option.initFrom(edit);
                option.lineWidth = s->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
                option.state |= QStyle::State_Sunken;
                const QRect text = s->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                                       .marginsRemoved(edit->textMargins());
                QVERIFY2(text.height() >= metrics.height(), name + " cuts its text");
            }
        }
        // The frame's controls stay inside its border and clear of each other
        // (the design lets a label reach into its text box's margin).
        auto *frame = w->findChild<QGroupBox *>(QStringLiteral("optionFrame"));
        const QList<QWidget *> inFrame = frame->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget *a : inFrame) {
            QVERIFY2(frame->rect().adjusted(2, 0, -3, -3).contains(a->geometry()), a->objectName().toLatin1());
            for (QWidget *b : inFrame)
                QVERIFY2(a == b || qobject_cast<QLabel *>(a) || qobject_cast<QLabel *>(b)
                             || !a->geometry().intersects(b->geometry()),
                         (a->objectName() + QStringLiteral(" overlaps ") + b->objectName()).toLatin1());
        }
    }

    // The frame's border and caption cross none of its controls.
    void frameBorderClearOfControls()
    {
        const auto w = CreateWindows();
        auto *frame = w->findChild<QGroupBox *>(QStringLiteral("optionFrame"));
        QVERIFY(frame);
        const QList<QWidget *> children = frame->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(children.size() >= 6);
        for (QWidget *child : children)
            child->hide();
        const QImage image = frame->grab().toImage();
        QHash<QRgb, int> counts;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ++counts[image.pixel(x, y)];
        const QRgb background = std::max_element(counts.begin(), counts.end()).key();
        bool drawn = false;
        for (int y = 0; y < image.height(); ++y)
            drawn = drawn || image.pixel(image.width() / 2, y) != background;
        QVERIFY2(drawn, "the frame draws no border");
        for (QWidget *child : children) {
            const QRect rect = child->geometry() & image.rect();
            for (int y = rect.top(); y <= rect.bottom(); ++y)
                for (int x = rect.left(); x <= rect.right(); ++x)
                    if (image.pixel(x, y) != background)
                        QFAIL(qPrintable(QStringLiteral("the frame draws at %1,%2 inside %3").arg(x).arg(y).arg(child->objectName())));
        }
    }

    // The folder dialog blocks the main window only, opens at the root with
    // nothing chosen, and a cancel leaves the destination as it was.
    void folderDialogModalToMainWindowOnly()
    {
        MainWindow &w = f->Start();
        ResultWindow &r = f->Result();
        QVERIFY(QTest::qWaitForWindowExposed(&r));
        Ui(w).destinationEdit->setText(QStringLiteral("/kept"));
        bool shown = false;
        Qt::WindowModality modality = Qt::NonModal;
        QString directory;
        QStringList chosen;
        bool resultUsable = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            shown = true;
            modality = dialog->windowModality();
            directory = dialog->directory().absolutePath();
            chosen = dialog->selectedFiles();
            // A click on the result window's button still reaches it.
            auto *clear = r.findChild<QPushButton *>(QStringLiteral("clearButton"));
            QTest::mouseClick(r.windowHandle(), Qt::LeftButton, {}, clear->mapTo(&r, clear->rect().center()));
            resultUsable = r.LineCount() == 0;
            dialog->reject();
        });
        Ui(w).browseButton->click();
        QVERIFY2(shown, "no folder dialog");
        QCOMPARE(modality, Qt::WindowModal);
        QCOMPARE(directory, QDir::rootPath());
        QVERIFY2(chosen.isEmpty() || chosen == QStringList{QDir::rootPath()}, qPrintable(chosen.join('|')));
        QVERIFY2(resultUsable, "the result window was blocked by the folder dialog");
        QCOMPARE(Ui(w).destinationEdit->text(), QStringLiteral("/kept"));
    }

    void startStateTabOrderAndNames()
    {
        MainWindow &w = f->Start();
        QVERIFY(Ui(w).searchButton->isEnabled());
        QVERIFY(Ui(w).searchCopyButton->isEnabled());
        QVERIFY(Ui(w).stopButton->isEnabled());
        QVERIFY(Ui(w).fullExpandCheck->isChecked());
        const QList<QWidget *> order{Ui(w).searchButton, Ui(w).searchCopyButton, Ui(w).stopButton, Ui(w).patternEdit,
                                     Ui(w).fullExpandCheck, Ui(w).destinationEdit, Ui(w).browseButton, Ui(w).folderTree};
        auto nextFocusable = [](QWidget *from) {
            QWidget *next = from->nextInFocusChain();
            while (next->focusPolicy() == Qt::NoFocus)
                next = next->nextInFocusChain();
            return next;
        };
        for (int i = 0; i + 1 < order.size(); ++i)
            QCOMPARE(nextFocusable(order[i]), order[i + 1]);
        QCOMPARE(Ui(w).patternLabel->buddy(), Ui(w).patternEdit);
        QCOMPARE(Ui(w).destinationLabel->buddy(), Ui(w).destinationEdit);
        for (QWidget *input : {static_cast<QWidget *>(Ui(w).patternEdit), static_cast<QWidget *>(Ui(w).destinationEdit),
                               static_cast<QWidget *>(Ui(w).folderTree), static_cast<QWidget *>(Ui(w).browseButton)})
            QVERIFY2(!input->accessibleName().isEmpty(), qPrintable(input->objectName()));
    }

    void settingsRoundTrip()
    {
        {
            MainWindow &w = f->Start();
            Ui(w).patternEdit->setText(QStringLiteral("*.cpp;*.h"));
            Ui(w).destinationEdit->setText(QStringLiteral("/tmp/目的地"));
            geometry::SetOuterRect(&w, QRect(150, 120, 400, 600));
            QVERIFY(w.close());
            f->window.reset();
        }
        QCOMPARE(Setting("Pattern"), QStringLiteral("*.cpp;*.h"));
        QCOMPARE(Setting("CopyPath"), QStringLiteral("/tmp/目的地"));
        QCOMPARE(Setting("Left"), QStringLiteral("2250"));
        QCOMPARE(Setting("Top"), QStringLiteral("1800"));
        QCOMPARE(Setting("Width"), QStringLiteral("6000"));
        QCOMPARE(Setting("Height"), QStringLiteral("9000"));
        QCOMPARE(f->LogMessages(), (QStringList{QStringLiteral("System Start..."), QStringLiteral("System End...")}));

        MainWindow &w = f->Start();
        QCOMPARE(Ui(w).patternEdit->text(), QStringLiteral("*.cpp;*.h"));
        QCOMPARE(Ui(w).destinationEdit->text(), QStringLiteral("/tmp/目的地"));
        QCOMPARE(w.frameGeometry(), QRect(150, 120, 400, 600));
        QCOMPARE(f->Result().frameGeometry(), QRect(550, 120, 400, 600));
    }

    void emptyStoredValuesStayEmpty()
    {
        WriteSettings({{"Pattern", ""}, {"CopyPath", ""}});
        MainWindow &w = f->Start();
        QCOMPARE(Ui(w).patternEdit->text(), QString());
        QCOMPARE(Ui(w).destinationEdit->text(), QString());
    }

    // A value is the whole rest of its line, as a person reads the file:
    // Qt alone would cut an unquoted list at its first ';' and read a path
    // with a ',' as nothing.  What the program writes itself (null `line`:
    // written as the program does) keeps its value, odd characters and all.
    void settingsValueIsItsWholeLine_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("line");   // the key's line in [Setting]
        QTest::addColumn<QString>("value");
        QTest::newRow("patterns unquoted") << "Pattern" << QByteArray("Pattern=*.txt;*.doc;*DATA*")
                                           << "*.txt;*.doc;*DATA*";
        QTest::newRow("path with a comma") << "CopyPath" << QByteArray("CopyPath=/home/u/photos, 2024")
                                           << "/home/u/photos, 2024";
        QTest::newRow("Japanese with commas") << "CopyPath" << QByteArray("CopyPath=/home/u/写真, 2024年, 夏")
                                              << "/home/u/写真, 2024年, 夏";
        QTest::newRow("quoted by hand") << "Pattern" << QByteArray("Pattern=\"*.txt;*.doc\"") << "*.txt;*.doc";
        QTest::newRow("quoted without need") << "CopyPath" << QByteArray("CopyPath=\"/tmp/a\"") << "/tmp/a";
        QTest::newRow("blanks around") << "Pattern" << QByteArray("Pattern =  *.log ; *.txt  ") << "*.log ; *.txt";
        QTest::newRow("backslash by hand") << "CopyPath" << QByteArray("CopyPath=/mnt/c/data\\d") << "/mnt/c/data\\d";
        QTest::newRow("CR LF") << "Pattern" << QByteArray("Pattern=*.a;*.b\r\nLeft=1000\r") << "*.a;*.b";
        QTest::newRow("later line counts") << "Pattern" << QByteArray("Pattern=*.x\nPattern=*.y;*.z") << "*.y;*.z";
        QTest::newRow("comment line") << "Pattern" << QByteArray(";Pattern=*.x\nPattern=*.y") << "*.y";
        QTest::newRow("written: list") << "Pattern" << QByteArray() << "*.txt;*.doc;*DATA*";
        QTest::newRow("written: comma and equals") << "CopyPath" << QByteArray() << "/tmp/a, b=c";
        QTest::newRow("written: blanks at the ends") << "Pattern" << QByteArray() << " *.a ";
        QTest::newRow("written: quote and backslash") << "CopyPath" << QByteArray() << "/tmp/\"q\"\\b";
        QTest::newRow("written: at sign") << "Pattern" << QByteArray() << "@x;*.y";
        QTest::newRow("written: controls") << "Pattern" << QByteArray() << "a\tb\nc\x01" "d\x7f";
        QTest::newRow("written: NUL") << "Pattern" << QByteArray() << QStringLiteral("a") + QChar(0) + QStringLiteral("1f");
        QTest::newRow("written: Japanese") << "CopyPath" << QByteArray() << "/tmp/目的地;報告, 2024";
        QTest::newRow("written: empty") << "CopyPath" << QByteArray() << "";
    }
    void settingsValueIsItsWholeLine()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, line);
        QFETCH(QString, value);
        const QString path = MainWindow::SettingsFileName();
        if (line.isNull()) {
            WriteSettings({{key, value}});
        } else {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Setting]\n" + line + "\n");
        }
        const auto shown = [&key](MainWindow &w) {
            return (key == QLatin1String("Pattern") ? Ui(w).patternEdit : Ui(w).destinationEdit)->text();
        };
        MainWindow &w = f->Start();
        QCOMPARE(shown(w), value);
        // Written back whole at close, and read the same at the next start.
        QVERIFY(w.close());
        f->window.reset();
        QCOMPARE(Setting(key), value);
        QCOMPARE(shown(f->Start()), value);
    }

    // Opening a FIFO for reading would wait for a writer for ever.
    void settingsFifoIsLeftAlone()
    {
        const QString path = MainWindow::SettingsFileName();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(fixtures::MakeFifo(path));
        MainWindow &w = f->Start();
        QCOMPARE(Ui(w).patternEdit->text(), QStringLiteral("*.txt;*.doc;*DATA*"));
        QCOMPARE(w.frameGeometry(), QRect(67, 67, 375, 530));
        Ui(w).patternEdit->setText(QStringLiteral("*.cpp"));
        QVERIFY(w.close());
        f->window.reset();
        QVERIFY(QFileInfo(path).exists() && !QFileInfo(path).isFile());
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{QFileInfo(path).fileName()});
        QCOMPARE(f->LogMessages(), (QStringList{QStringLiteral("System Start..."), QStringLiteral("System End...")}));
    }

    // A damaged or unshowable stored rectangle never hides the window.
    void damagedGeometryTakesDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("left text") << "Left" << "abc" << QRect(67, 100, 400, 600);
        QTest::newRow("top fraction") << "Top" << "10.5" << QRect(200, 67, 400, 600);
        QTest::newRow("width empty") << "Width" << "" << QRect(200, 100, 375, 600);
        QTest::newRow("height huge") << "Height" << "99999999999999" << QRect(200, 100, 400, 530);
        // A caption on no screen (a monitor that is gone) comes back at the
        // default place with its size.
        QTest::newRow("caption left of every screen") << "Left" << "-30000" << QRect(67, 67, 400, 600);
        QTest::newRow("caption below every screen") << "Top" << "30000" << QRect(67, 67, 400, 600);
        QTest::newRow("caption above every screen") << "Top" << "-600" << QRect(67, 67, 400, 600);
        QTest::newRow("caption partly on screen") << "Left" << "-4500" << QRect(-300, 100, 400, 600);
        // Sizes no screen can show (the offscreen screen is 800 x 800) take
        // the design size; the least size is one button wide and the height
        // of what lies above and below the tree.
        QTest::newRow("width zero") << "Width" << "0" << QRect(200, 100, 375, 600);
        QTest::newRow("height zero") << "Height" << "0" << QRect(200, 100, 400, 530);
        QTest::newRow("width negative") << "Width" << "-3000" << QRect(200, 100, 375, 600);
        QTest::newRow("height negative") << "Height" << "-3000" << QRect(200, 100, 400, 530);
        QTest::newRow("width below least") << "Width" << "1485" << QRect(200, 100, 375, 600);
        QTest::newRow("width least") << "Width" << "1500" << QRect(200, 100, 100, 600);
        QTest::newRow("height below least") << "Height" << "1875" << QRect(200, 100, 400, 530);
        QTest::newRow("height least") << "Height" << "1890" << QRect(200, 100, 400, 126);
        QTest::newRow("width of the screen") << "Width" << "12000" << QRect(200, 100, 800, 600);
        QTest::newRow("width beyond the screen") << "Width" << "12015" << QRect(200, 100, 375, 600);
        QTest::newRow("height beyond the screen") << "Height" << "12015" << QRect(200, 100, 400, 530);
        QTest::newRow("width 200000") << "Width" << "200000" << QRect(200, 100, 375, 600);
        QTest::newRow("height 2000000") << "Height" << "2000000" << QRect(200, 100, 400, 530);
    }
    void damagedGeometryTakesDefaults()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QRect, expected);
        WriteSettings({{"Left", "3000"}, {"Top", "1500"}, {"Width", "6000"}, {"Height", "9000"}, {key, value}});
        MainWindow &w = f->Start();
        QCOMPARE(w.frameGeometry(), expected);
        QVERIFY(f->Result().isVisible());
        QCOMPARE(f->Result().LineCount(), 1);
        // What the window shows is what is saved for the next start.
        QVERIFY(w.close());
        QCOMPARE(Setting("Left"), QString::number(geometry::PixelsToTwips(expected.left())));
        QCOMPARE(Setting("Top"), QString::number(geometry::PixelsToTwips(expected.top())));
        QCOMPARE(Setting("Width"), QString::number(geometry::PixelsToTwips(expected.width())));
        QCOMPARE(Setting("Height"), QString::number(geometry::PixelsToTwips(expected.height())));
    }

    void closeWhileMaximizedSavesNormalRectangle()
    {
        WriteSettings({{"Left", "1500"}, {"Top", "1500"}, {"Width", "6000"}, {"Height", "7500"}});
        MainWindow &w = f->Start();
        w.showMaximized();
        QTRY_VERIFY(w.isMaximized());
        QVERIFY(w.close());
        QCOMPARE(Setting("Left"), QStringLiteral("1500"));
        QCOMPARE(Setting("Width"), QStringLiteral("6000"));
        QCOMPARE(Setting("Height"), QStringLiteral("7500"));
    }

    void closeRefusedWhileSearching()
    {
        QTemporaryDir tree;
        testsupport::WriteFile(tree.path() + "/a.txt", "a");
        MainWindow &w = f->StartAt(tree.path(), QStringLiteral("*.txt"));
        bool tried = false;
        bool closed = false;
        w.SetYieldObserver([&](int) {
            if (tried)
                return;
            tried = true;
            closed = w.close();
            QVERIFY(w.CurrentSearch().StopRequested());
            QVERIFY(w.isVisible());
            QVERIFY(Ui(w).statusBar);
            QCOMPARE(Setting("Pattern"), QStringLiteral("<absent>"));
            QVERIFY(!f->LogMessages().contains(QStringLiteral("System End...")));
        });
        Ui(w).searchButton->click();
        w.SetYieldObserver(nullptr);
        QVERIFY(tried);
        QVERIFY(!closed);
        QVERIFY(w.close());
        QVERIFY(!f->Result().isVisible());
        QCOMPARE(f->LogMessages().last(), QStringLiteral("System End..."));
    }

    void resizeKeepsTreeMargins()
    {
        MainWindow &w = f->Start();
        const int marginHeight = 503 - 404;
        const int marginWidth = 367 - 368;
        QCOMPARE(w.height() - Ui(w).folderTree->height(), marginHeight);
        QCOMPARE(w.width() - Ui(w).folderTree->width(), marginWidth);
        w.resize(500, 700);
        QCOMPARE(Ui(w).folderTree->geometry(), QRect(0, 82, 500 - marginWidth, 700 - marginHeight));
        QCOMPARE(Ui(w).statusBar->geometry().bottom(), 699);
        QCOMPARE(Ui(w).statusBar->width(), 500);
        const QSize before = Ui(w).folderTree->size();
        w.resize(300, marginHeight - 10);
        QCOMPARE(Ui(w).folderTree->size(), before);
    }

    // However the box is toggled, the copy command follows it.
    void checkBoxControlsCopyButton_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("mouse") << "mouse";
        QTest::newRow("space") << "space";
        QTest::newRow("accessibility toggle") << "accessibility";
    }
    void checkBoxControlsCopyButton()
    {
        QFETCH(QString, how);
        MainWindow &w = f->Start();
        QCheckBox *box = Ui(w).fullExpandCheck;
        auto toggle = [&] {
            if (how == "mouse") {
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
            } else if (how == "space") {
                box->setFocus();
                QTest::keyClick(box, Qt::Key_Space);
            } else {
                QAccessibleInterface *a = QAccessible::queryAccessibleInterface(box);
                QVERIFY(a && a->actionInterface());
                a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            }
        };
        toggle();
        QVERIFY(!box->isChecked());
        QVERIFY(!Ui(w).searchCopyButton->isEnabled());
        toggle();
        QVERIFY(box->isChecked());
        QVERIFY(Ui(w).searchCopyButton->isEnabled());
    }

    // The text boxes take any length: a long pasted pattern list is kept whole.
    void textBoxesHaveNoLengthLimit()
    {
        MainWindow &w = f->Start();
        QStringList patterns;
        for (int i = 0; i < 5000; ++i)
            patterns << QStringLiteral("*.x%1").arg(i, 4, 10, QLatin1Char('0'));
        const QString text = patterns.join(QLatin1Char(';'));
        QVERIFY(text.size() > 33000);
        for (QLineEdit *box : {Ui(w).patternEdit, Ui(w).destinationEdit}) {
            box->setText(text);
            QCOMPARE(box->text(), text);
        }
    }

    void cancelWhileIdleWritesBannerAndKeepsStopFlag()
    {
        MainWindow &w = f->Start();
        Ui(w).stopButton->click();
        QVERIFY(w.CurrentSearch().StopRequested());
        QCOMPARE(f->Result().Lines().last(), QStringLiteral("☆☆☆ ユーザによる検索中断 ☆☆☆"));
        // Now the result window may be closed by the user.
        QVERIFY(f->Result().close());
    }

    void accessKeysReachButtons()
    {
        MainWindow &w = f->Start();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Ui(w).patternEdit->setText(QStringLiteral("*.none-such"));
        Ui(w).fullExpandCheck->setChecked(false);
        QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
        QTRY_VERIFY(Ui(w).fullExpandCheck->hasFocus() || Ui(w).fullExpandCheck->isChecked());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

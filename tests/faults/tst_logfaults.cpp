// A log file that cannot be written: the program starts, searches and
// closes as always, shows nothing, and leaves whatever is in the log's
// place alone.
#include "mainfixture.h"
#include "faultsupport.h"

#include "foldertree/foldertree.h"
#include "fixtures.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

using namespace faults;

class TestLogFaults : public QObject {
    Q_OBJECT
private slots:
    void unwritableLog_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("path under a regular file") << "under-file";
        QTest::newRow("path is a folder") << "folder";
        QTest::newRow("path is a FIFO without a reader") << "fifo";
        QTest::newRow("folder of the path missing") << "missing";
        QTest::newRow("dangling symlink into a missing folder") << "dangling";
        QTest::newRow("log beyond the file size limit") << "size-limit";
    }
    void unwritableLog()
    {
        QFETCH(QString, kind);
        QTemporaryDir place, tree;
        const QString T = place.path();
        QString log = T + "/Pathwren.log";
        if (kind == QLatin1String("under-file")) {
            QVERIFY(testsupport::WriteFile(T + "/file", "keep"));
            log = T + "/file/Pathwren.log";
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(log));
        } else if (kind == QLatin1String("fifo")) {
            QVERIFY(fixtures::MakeFifo(log));
        } else if (kind == QLatin1String("missing")) {
            log = T + "/missing/Pathwren.log";
        } else if (kind == QLatin1String("dangling")) {
            QVERIFY(QFile::link(T + "/missing/x.log", log));
        } else {
            QVERIFY(testsupport::WriteFile(log, QByteArray(200, 'x')));
        }
        const QStringList entries = Entries(T);
        const QString digest = testsupport::TreeDigest(T);
        QVERIFY(testsupport::WriteFile(tree.path() + "/a.txt", "a"));

        const int64_t sizeLimit = fixtures::FileSizeLimit();
        MainFixture f;
        f.hooks.Change([&](platform::TestHooks &h) { h.logFilePath = log; });
        ModalWatch modal;
        if (kind == QLatin1String("size-limit"))
            QVERIFY(fixtures::SetFileSizeLimit(100));

        MainWindow &w = f.Start();
        Ui(w).patternEdit->setText(QStringLiteral("*.txt"));
        QVERIFY(Ui(w).folderTree->SelectPath(tree.path()));
        Ui(w).searchButton->click();
        QVERIFY(fixtures::SetFileSizeLimit(sizeLimit));
        QVERIFY(w.close());

        QCOMPARE(f.Result().Lines(), (QStringList{QStringLiteral("☆☆☆ 検索結果ウィンドウ ☆☆☆"), SearchStart,
                                                  Hit("*.txt", tree.path() + "/a.txt"), End}));
        QCOMPARE(modal.texts, QStringList());
        QCOMPARE(Entries(T), entries);
        if (kind == QLatin1String("size-limit")) {
            // The start record was lost to the limit; the end record, written
            // with the limit lifted, follows the old content.
            const QByteArray content = testsupport::ReadFile(log);
            QCOMPARE(content.left(200), QByteArray(200, 'x'));
            QVERIFY2(QRegularExpression(QStringLiteral("^#[-0-9: ]+#,\"System End\\.\\.\\.\"\r\n$"))
                         .match(QString::fromUtf8(content.mid(200))).hasMatch(),
                     content.mid(200).constData());
        } else {
            QCOMPARE(testsupport::TreeDigest(T), digest);
        }
    }
};

QTEST_MAIN(TestLogFaults)
#include "tst_logfaults.moc"

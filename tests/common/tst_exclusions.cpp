// Which folders the exclusions leave out: by path, by name, in the command
// line's form, and in the bytes the reading threads compare.
#include "common/exclusions.h"

#include "platform/nativepath.h"

#include <QtTest>

class TestExclusions : public QObject {
    Q_OBJECT
private slots:
    void excludes_data()
    {
        QTest::addColumn<QStringList>("values");   // as the command line gives them
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("excluded");
        QTest::newRow("nothing excluded") << QStringList{} << "/a/node_modules" << false;
        QTest::newRow("name anywhere") << QStringList{"node_modules"} << "/a/b/node_modules" << true;
        QTest::newRow("name is exact") << QStringList{"node_modules"} << "/a/Node_Modules" << false;
        QTest::newRow("name not a part") << QStringList{".git"} << "/a/.github" << false;
        QTest::newRow("name of a parent only") << QStringList{"b"} << "/a/b/c" << false;
        QTest::newRow("path exact") << QStringList{"/a/b"} << "/a/b" << true;
        QTest::newRow("path cleaned") << QStringList{"/a//b/"} << "/a/b" << true;
        QTest::newRow("path not its name elsewhere") << QStringList{"/a/b"} << "/c/b" << false;
        QTest::newRow("path not below") << QStringList{"/a/b"} << "/a/b/c" << false;
        QTest::newRow("root") << QStringList{"/"} << "/" << true;
        QTest::newRow("both kinds") << QStringList{"/x/y", "tmp"} << "/q/tmp" << true;
        QTest::newRow("undecodable name") << QStringList{QString(QChar(0xEF82)) + "x"} << QString("/a/") + QChar(0xEF82) + "x" << true;
    }
    void excludes()
    {
        QFETCH(QStringList, values);
        QFETCH(QString, path);
        QFETCH(bool, excluded);
        common::Exclusions ex;
        for (const QString &v : values)
            QVERIFY(ex.Add(v));
        QCOMPARE(ex.IsEmpty(), values.isEmpty());
        const QString name = path == "/" ? path : path.mid(path.lastIndexOf('/') + 1);
        QCOMPARE(ex.Excludes(path, name), excluded);

        // The reading threads leave out exactly the same folders.
        const platform::ReadSkips skips = ex.ToReadSkips();
        QByteArray nativePath, nativeName;
        QVERIFY(platform::detail::ToNative(path, nativePath));
        QVERIFY(platform::detail::ToNative(name, nativeName));
        QCOMPARE(skips.Skips(nativePath.toStdString(), nativeName.constData()), excluded);

        // Taken back out, nothing is left out.
        for (const QString &p : ex.Paths())
            ex.RemovePath(p);
        for (const QString &n : ex.Names())
            ex.RemoveName(n);
        QVERIFY(!ex.Excludes(path, name));
        QVERIFY(!ex.Add(QString()));
    }
};

QTEST_GUILESS_MAIN(TestExclusions)
#include "tst_exclusions.moc"

#include "nativepath.h"

#include <QtTest>

class TestNativePath : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertsSampleNames_data();
    void convertsSampleNames();
};

void TestNativePath::convertsSampleNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("sample image") << QByteArray(".\\test_datasets\\7\\pri_pano//color.jpg")
                                  << QStringLiteral("./test_datasets/7/pri_pano/color.jpg");
    QTest::newRow("corner file") << QByteArray(".\\test_datasets\\100\\sec_pano//pred_corner.txt")
                                 << QStringLiteral("./test_datasets/100/sec_pano/pred_corner.txt");
    QTest::newRow("doubled backslashes") << QByteArray("a\\\\b") << QStringLiteral("a/b");
    QTest::newRow("mixed run") << QByteArray("a\\/\\//b") << QStringLiteral("a/b");
    QTest::newRow("absolute") << QByteArray("/tmp//x\\y//color.jpg")
                              << QStringLiteral("/tmp/x/y/color.jpg");
    QTest::newRow("leading double slash") << QByteArray("//x") << QStringLiteral("/x");
    QTest::newRow("trailing separator") << QByteArray("dir\\") << QStringLiteral("dir/");
    QTest::newRow("plain") << QByteArray("color.jpg") << QStringLiteral("color.jpg");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("utf-8") << QByteArray("r\xc3\xa4ume\\\xe5\x85\xa8\xe6\x99\xaf//a.txt")
                           << QString::fromUtf8("räume/全景/a.txt");
}

void TestNativePath::convertsSampleNames()
{
#ifdef Q_OS_WIN
    QSKIP("Windows opens these names as they are");
#endif
    QFETCH(QByteArray, name);
    QFETCH(QString, expected);
    QCOMPARE(wallmatch::nativePath(name.toStdString()), expected);
}

QTEST_APPLESS_MAIN(TestNativePath)

#include "tst_nativepath.moc"

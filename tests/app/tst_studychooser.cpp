#include "fixturetree.h"
#include "studychooser.h"
#include "testfiles.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using testfiles::writeFile;

class TestStudyChooser : public QObject
{
    Q_OBJECT

    QTemporaryDir home; // the settings live here
    QTemporaryDir study;
    QString originalDir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(home.isValid() && study.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        QVERIFY(fixture::writeBoxRoomTree(study.path(), 2));
        QVERIFY(writeFile(study.filePath("good.csv"), "sample,source\n2,Kestrel\n1,Bramble\n"));
        QVERIFY(writeFile(study.filePath("bad.csv"), "sample,source\n9,Kestrel\n"));
        QVERIFY(
            writeFile(study.filePath("results_P9.txt"),
                      "ind 2: Wall 0 <==> Wall 0 (Kestrel) Time: 0:01.000 Mouse: 1 1 <==> 1 1\n"));
        originalDir = QDir::currentPath();
    }
    void cleanup() { QDir::setCurrent(originalDir); }

    // What OK does with the dialog's fields: the problem shown, or the run's command line.
    void checksItsInput_data()
    {
        QTest::addColumn<QString>("folder"); // "STUDY" is the study folder
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("participant");
        QTest::addColumn<QString>("tick"); // a check box's object name, or empty
        QTest::addColumn<QString>("problem"); // empty: accepted
        QTest::addColumn<QStringList>("arguments");
        const QString noTree = QDir::tempPath();
        // clang-format off
        QTest::newRow("no folder") << "" << "" << "" << "" << "Choose the study folder" << QStringList();
        QTest::newRow("no test_datasets") << noTree << "" << "" << "" << "holds no test_datasets folder" << QStringList();
        QTest::newRow("plan naming a missing sample") << "STUDY" << "bad.csv" << "" << ""
            << "sample 9 (Kestrel): folder test_datasets/9/pri_pano is missing" << QStringList();
        QTest::newRow("bad participant") << "STUDY" << "" << "a b" << "" << "participant ID 'a b'" << QStringList();
        QTest::newRow("earlier session") << "STUDY" << "good.csv" << "P9" << "" << "--resume" << QStringList();
        QTest::newRow("earlier session resumed") << "STUDY" << "good.csv" << "P9" << "resumeCheck" << ""
            << QStringList {"wallmatch", "--fullscreen", "--plan", "STUDY/good.csv", "--participant", "P9", "--resume"};
        QTest::newRow("folder alone") << "STUDY" << "" << "" << "" << "" << QStringList {"wallmatch", "--fullscreen"};
        QTest::newRow("plan and participant") << "STUDY" << "good.csv" << "P1" << "" << ""
            << QStringList {"wallmatch", "--fullscreen", "--plan", "STUDY/good.csv", "--participant", "P1"};
        // clang-format on
    }
    void checksItsInput()
    {
        QFETCH(QString, folder);
        QFETCH(QString, plan);
        QFETCH(QString, participant);
        QFETCH(QString, tick);
        QFETCH(QString, problem);
        QFETCH(QStringList, arguments);
        const QString studyPath = QDir(study.path()).absolutePath();
        folder.replace("STUDY", studyPath);
        arguments.replaceInStrings("STUDY", studyPath);
        QSettings("wallmatch", "wallmatch").remove("studyFolder");

        StudyChooser chooser({"wallmatch", "--choose-study", "--fullscreen"});
        chooser.show();
        chooser.findChild<QLineEdit *>("folderEdit")->setText(folder);
        chooser.findChild<QLineEdit *>("planEdit")->setText(plan);
        QTest::keyClicks(chooser.findChild<QLineEdit *>("participantEdit"), participant);
        if (!tick.isEmpty())
            chooser.findChild<QCheckBox *>(tick)->setChecked(true);
        chooser.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        const QString shown = chooser.findChild<QLabel *>("problemLabel")->text();
        if (!problem.isEmpty()) {
            QVERIFY2(shown.contains(problem), qPrintable(shown));
            QVERIFY(chooser.isVisible());
            QCOMPARE(chooser.result(), int(QDialog::Rejected));
            QCOMPARE(QDir::currentPath(), originalDir);
            return;
        }
        QCOMPARE(shown, QString());
        QCOMPARE(chooser.result(), int(QDialog::Accepted));
        QCOMPARE(chooser.arguments(), arguments);
        QCOMPARE(QDir::currentPath(), studyPath);
        // The folder is remembered for the next start.
        StudyChooser next({"wallmatch"});
        QCOMPARE(next.findChild<QLineEdit *>("folderEdit")->text(), studyPath);
    }
};

QTEST_MAIN(TestStudyChooser)
#include "tst_studychooser.moc"

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

    // A folder with a study file: the ID typed gives the plan; resume and restart only where the
    // participant has answers; OK starts with --study.
    void readsTheStudyFile()
    {
        QTemporaryDir folder;
        QVERIFY(fixture::writeBoxRoomTree(folder.path(), 2));
        QVERIFY(QDir(folder.path()).mkpath("plans"));
        QVERIFY(
            writeFile(folder.filePath("plans/P1.csv"), "sample,source\n2,Kestrel\n1,Bramble\n"));
        QVERIFY(writeFile(folder.filePath("study.json"),
                          R"({"format": "wallmatch-study", "version": 1, "title": "Box study",
                              "sources": ["Kestrel", "Bramble"], "plans": "plans"})"));
        StudyChooser chooser({"wallmatch", "--choose-study"});
        chooser.show();
        chooser.findChild<QLineEdit *>("folderEdit")->setText(folder.path());
        auto *participant = chooser.findChild<QLineEdit *>("participantEdit");
        auto *resume = chooser.findChild<QCheckBox *>("resumeCheck");
        auto *restart = chooser.findChild<QCheckBox *>("restartCheck");
        const QLabel *shown = chooser.findChild<QLabel *>("studyLabel");
        QVERIFY(!chooser.findChild<QLineEdit *>("planEdit")->isEnabled());
        QTest::keyClicks(participant, "P2");
        QVERIFY2(shown->text().contains("Study: Box study"), qPrintable(shown->text()));
        QVERIFY2(shown->text().contains("No plan for P2: plans/P2.csv is missing"),
                 qPrintable(shown->text()));
        participant->clear();
        QTest::keyClicks(participant, "P1");
        QVERIFY2(shown->text().contains("Plan: plans/P1.csv"), qPrintable(shown->text()));
        QVERIFY(shown->text().contains("P1 has no answers yet."));
        QVERIFY(!resume->isEnabled() && !restart->isEnabled());

        QVERIFY(writeFile(folder.filePath("results_P1.txt"),
                          "ind 2: Wall 0 <==> Wall 0 (Kestrel) Time: 0:01.000 Mouse: 1 1 <==> 1 "
                          "1\n"));
        participant->clear();
        QTest::keyClicks(participant, "P1");
        QVERIFY2(shown->text().contains("P1 has 1 answers"), qPrintable(shown->text()));
        QVERIFY(resume->isEnabled() && restart->isEnabled());
        resume->setChecked(true);
        QTest::keyClick(participant, Qt::Key_Return);
        QCOMPARE(chooser.findChild<QLabel *>("problemLabel")->text(), QString());
        QCOMPARE(chooser.result(), int(QDialog::Accepted));
        const QString path = QDir(folder.path()).absolutePath();
        QCOMPARE(chooser.arguments(),
                 (QStringList {"wallmatch", "--study", path, "--participant", "P1", "--resume"}));
    }
};

QTEST_MAIN(TestStudyChooser)
#include "tst_studychooser.moc"

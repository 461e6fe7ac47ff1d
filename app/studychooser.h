#ifndef STUDYCHOOSER_H
#define STUDYCHOOSER_H

#include <QDialog>
#include <QStringList>

namespace Ui {
class StudyChooser;
}

// The start from a desktop menu: asks for the study folder (remembered between starts), a plan
// and a participant ID, both optional. A folder with a study file (study.json) needs no plan:
// the dialog shows the study's title, the plan the typed ID gets and whether that participant
// has answers, offers resume and restart only to a participant with answers, and starts with
// --study. OK checks them as the command line would (the folder's
// test_datasets, the plan and every sample it names, an earlier session of the participant) and
// accepts only what would start; the working folder is then the study folder.
class StudyChooser : public QDialog
{
    Q_OBJECT

public:
    // `arguments`: the program's command line, whose other options are kept.
    explicit StudyChooser(const QStringList &arguments, QWidget *parent = nullptr);
    ~StudyChooser() override;

    // The command line to start with, once accepted.
    QStringList arguments() const { return chosen; }

    void accept() override;

private:
    void browseFolder();
    void browsePlan();
    // Shows what the folder's study file and the participant's files say; sets `studyFolder`.
    void showStudy();
    bool acceptStudy(const QString &participant);

    Ui::StudyChooser *ui;
    QStringList original;
    QStringList chosen;
    bool studyFolder = false; // the folder holds a study file
};

#endif // STUDYCHOOSER_H

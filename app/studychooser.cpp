#include "studychooser.h"
#include "ui_studychooser.h"

#include "samplefolder.h"
#include "startup.h"
#include "studyfile.h"
#include "studyrun.h"
#include "studystart.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QSettings>

namespace {

const QString folderKey = QStringLiteral("studyFolder");

} // namespace

StudyChooser::StudyChooser(const QStringList &arguments, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::StudyChooser)
    , original(arguments)
{
    ui->setupUi(this);
    original.removeAll(QStringLiteral("--choose-study"));
    ui->folderEdit->setText(QSettings(QStringLiteral("wallmatch"), QStringLiteral("wallmatch"))
                                .value(folderKey)
                                .toString());
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &StudyChooser::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &StudyChooser::reject);
    connect(ui->folderBrowseBtn, &QPushButton::clicked, this, &StudyChooser::browseFolder);
    connect(ui->planBrowseBtn, &QPushButton::clicked, this, &StudyChooser::browsePlan);
    // One or the other.
    connect(ui->resumeCheck, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            ui->restartCheck->setChecked(false);
    });
    connect(ui->restartCheck, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            ui->resumeCheck->setChecked(false);
    });
    // With the folder remembered, the experimenter only types the participant ID.
    if (!ui->folderEdit->text().isEmpty())
        ui->participantEdit->setFocus();
    connect(ui->folderEdit, &QLineEdit::textChanged, this, &StudyChooser::showStudy);
    connect(ui->participantEdit, &QLineEdit::textChanged, this, &StudyChooser::showStudy);
    showStudy();
}

void StudyChooser::showStudy()
{
    const QString folder = ui->folderEdit->text().trimmed();
    const QString participant = ui->participantEdit->text().trimmed();
    studyFolder = !folder.isEmpty()
        && QFileInfo(QDir(folder).filePath(QLatin1String(wallmatch::studyFileName))).isFile();
    ui->planEdit->setEnabled(!studyFolder);
    ui->planBrowseBtn->setEnabled(!studyFolder);
    ui->resumeCheck->setEnabled(true);
    ui->restartCheck->setEnabled(true);
    if (!studyFolder) {
        ui->studyLabel->clear();
        return;
    }
    const wallmatch::StudyFileRead study = wallmatch::readStudyFile(folder);
    if (!study.problems.isEmpty()) {
        ui->studyLabel->setText(study.problems.mid(0, 6).join(QLatin1Char('\n')));
        return;
    }
    QStringList lines {tr("Study: %1").arg(study.study.title)};
    int answers = 0;
    if (!wallmatch::isValidParticipantId(participant)) {
        lines << tr("Type the participant ID: it gives the plan.");
    } else {
        const QString plan = wallmatch::studyPlanFile(study.study, folder, participant);
        lines << (QFileInfo(plan).isFile()
                      ? tr("Plan: %1").arg(QDir(folder).relativeFilePath(plan))
                      : tr("No plan for %1: %2 is missing")
                            .arg(participant, QDir(folder).relativeFilePath(plan)));
        const QDir dir(folder);
        answers = wallmatch::countAnswerLines(dir.filePath(wallmatch::resultsFileFor(participant)))
            + wallmatch::countAnswerLines(dir.filePath(wallmatch::practiceFileFor(participant)));
        lines << (answers > 0
                      ? tr("%1 has %2 answers: resume or restart.").arg(participant).arg(answers)
                      : tr("%1 has no answers yet.").arg(participant));
    }
    // Resume and restart only where there is something to continue or keep aside.
    ui->resumeCheck->setEnabled(answers > 0);
    ui->restartCheck->setEnabled(answers > 0);
    if (answers == 0) {
        ui->resumeCheck->setChecked(false);
        ui->restartCheck->setChecked(false);
    }
    ui->studyLabel->setText(lines.join(QLatin1Char('\n')));
}

bool StudyChooser::acceptStudy(const QString &participant)
{
    const QDir dir(ui->folderEdit->text().trimmed());
    QStringList args = original;
    args << QStringLiteral("--study") << dir.absolutePath() << QStringLiteral("--participant")
         << participant;
    if (ui->resumeCheck->isChecked())
        args << QStringLiteral("--resume");
    if (ui->restartCheck->isChecked())
        args << QStringLiteral("--restart");
    const wallmatch::StudyStart study = wallmatch::expandStudyArguments(args);
    QStringList problems = study.problems;
    const QString before = QDir::currentPath();
    if (problems.isEmpty()) {
        QDir::setCurrent(dir.absolutePath());
        problems = wallmatch::prepareStartup(study.arguments).problems;
    }
    if (!problems.isEmpty()) {
        QDir::setCurrent(before);
        ui->problemLabel->setText(problems.mid(0, 12).join(QLatin1Char('\n')));
        return false;
    }
    QSettings(QStringLiteral("wallmatch"), QStringLiteral("wallmatch"))
        .setValue(folderKey, dir.absolutePath());
    chosen = args;
    return true;
}

StudyChooser::~StudyChooser()
{
    delete ui;
}

void StudyChooser::browseFolder()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("Study Folder"), ui->folderEdit->text());
    if (!folder.isEmpty())
        ui->folderEdit->setText(folder);
}

void StudyChooser::browsePlan()
{
    const QString plan = QFileDialog::getOpenFileName(
        this, tr("Study Plan"), ui->folderEdit->text(), tr("Study plans (*.csv);;All files (*)"));
    if (!plan.isEmpty())
        ui->planEdit->setText(plan);
}

void StudyChooser::accept()
{
    const QString folder = ui->folderEdit->text().trimmed();
    const QString plan = ui->planEdit->text().trimmed();
    const QString participant = ui->participantEdit->text().trimmed();
    QStringList problems;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        problems << tr("Choose the study folder: the folder that holds test_datasets.");
    else if (!QFileInfo(dir.filePath(QString::fromLatin1(wallmatch::sampleTreeFolder))).isDir())
        problems << tr("%1 holds no test_datasets folder.").arg(QDir::toNativeSeparators(folder));
    if (!problems.isEmpty()) {
        ui->problemLabel->setText(problems.join(QLatin1Char('\n')));
        return;
    }

    if (studyFolder) {
        if (acceptStudy(participant))
            QDialog::accept();
        return;
    }
    QStringList args = original;
    if (!plan.isEmpty())
        args << QStringLiteral("--plan") << QFileInfo(dir, plan).absoluteFilePath();
    if (!participant.isEmpty())
        args << QStringLiteral("--participant") << participant;
    if (ui->resumeCheck->isChecked())
        args << QStringLiteral("--resume");
    if (ui->restartCheck->isChecked())
        args << QStringLiteral("--restart");
    // Checked in the folder the run will use, exactly as the command line is.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.absolutePath());
    const wallmatch::Startup start = wallmatch::prepareStartup(args);
    if (!start.problems.isEmpty()) {
        QDir::setCurrent(before);
        ui->problemLabel->setText(start.problems.mid(0, 12).join(QLatin1Char('\n')));
        return;
    }
    QSettings(QStringLiteral("wallmatch"), QStringLiteral("wallmatch"))
        .setValue(folderKey, dir.absolutePath());
    chosen = args;
    QDialog::accept();
}

#include "instructionspage.h"
#include "ui_instructionspage.h"

#include <QKeyEvent>

InstructionsPage::InstructionsPage(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::InstructionsPage)
{
    ui->setupUi(this);
    connect(ui->beginBtn, &QPushButton::clicked, this, &InstructionsPage::begin);
    hide();
}

InstructionsPage::~InstructionsPage()
{
    delete ui;
}

void InstructionsPage::showInstructions(const wallmatch::Instructions &instructions)
{
    switch (instructions.format) {
    case wallmatch::Instructions::Markdown:
        ui->textBrowser->setMarkdown(instructions.text);
        break;
    case wallmatch::Instructions::Html:
        ui->textBrowser->setHtml(instructions.text);
        break;
    case wallmatch::Instructions::PlainText:
        ui->textBrowser->setPlainText(instructions.text);
        break;
    }
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    raise();
    show();
    ui->beginBtn->setFocus();
}

void InstructionsPage::keyPressEvent(QKeyEvent *event)
{
    // "Begin" is the default button, as in a dialog.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        ui->beginBtn->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void InstructionsPage::begin()
{
    if (isHidden())
        return;
    hide();
    // The keys go to the test window again, not to whatever widget would inherit the focus
    // (the log would take Space for scrolling).
    if (parentWidget())
        parentWidget()->setFocus();
    Q_EMIT begun();
}

#include "instructionspage.h"

#include "ui_instructionspage.h"
#include <utility>

#include "regularfile.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QUrl>

namespace wallmatch {

QVariant InstructionsBrowser::loadResource(int type, const QUrl &name)
{
    // Only pictures, only regular files of bounded size and declared size: a FIFO or device
    // named in the page would freeze the window or fill the memory. Nothing else is fetched.
    // What is refused is answered with an empty stand-in, never with nothing: the document
    // would then open the file itself.
    if (type != QTextDocument::ImageResource)
        return QVariant(QStringLiteral(""));
    const QUrl resolved = QUrl::fromLocalFile(folder + QLatin1Char('/')).resolved(name);
    const ImageFile image = resolved.isLocalFile()
        ? readImageFile(resolved.toLocalFile(), true,
                        QSize(maxInstructionsImageSide, maxInstructionsImageSide),
                        maxInstructionsImageBytes)
        : ImageFile();
    if (image.ok)
        return QVariant(image.image);
    QImage none(1, 1, QImage::Format_ARGB32);
    none.fill(Qt::transparent);
    return QVariant(none);
}

} // namespace wallmatch

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
    ui->textBrowser->setBaseFolder(QFileInfo(instructions.file).absolutePath());
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
    ui->beginBtn->setText(tr("Begin"));
    present();
}

void InstructionsPage::showText(const QString &text, const QString &button)
{
    // Centred paragraphs: a short page reads as a message, not as a document.
    // Larger than a document's type and a fifth down the page, where the eye rests.
    // (A document drops its first block's top margin: an empty block keeps the room.)
    const int top = parentWidget() ? parentWidget()->height() / 5 : 0;
    QString html = QStringLiteral("<p style=\"margin-bottom: %1px\">&nbsp;</p>").arg(top);
    for (const QString &paragraph : text.split(QStringLiteral("\n\n")))
        html += QStringLiteral("<p align=\"center\" style=\"font-size: 26pt\">%1</p>")
                    .arg(paragraph.toHtmlEscaped());
    ui->textBrowser->setHtml(html);
    ui->beginBtn->setText(button);
    present();
}

void InstructionsPage::present()
{
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
    if (const std::function<void()> then = std::exchange(afterBegin, {}))
        then();
    Q_EMIT begun();
}

void InstructionsPage::showText(const QString &text, const QString &button,
                                std::function<void()> then)
{
    showText(text, button);
    afterBegin = std::move(then);
}

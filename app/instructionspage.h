#ifndef INSTRUCTIONSPAGE_H
#define INSTRUCTIONSPAGE_H

#include "instructions.h"

#include <QString>
#include <QTextBrowser>
#include <QWidget>
#include <functional>

namespace Ui {
class InstructionsPage;
}

namespace wallmatch {

// Pictures in instructions: at most this large on disk and declared in their header.
inline constexpr qint64 maxInstructionsImageBytes = 32 * 1024 * 1024;
inline constexpr int maxInstructionsImageSide = 4096;

// The browser of the instructions: pictures the page names are read from its folder as bounded
// regular files (readImageFile), and nothing else is loaded.
class InstructionsBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    using QTextBrowser::QTextBrowser;
    void setBaseFolder(const QString &path) { folder = path; }
    QVariant loadResource(int type, const QUrl &name) override;

private:
    QString folder;
};

} // namespace wallmatch

// A page of instructions covering the test window, large, with a "Begin" button that Return
// presses too. Emits begun() once and hides.
class InstructionsPage : public QWidget
{
    Q_OBJECT

public:
    explicit InstructionsPage(QWidget *parent = nullptr);
    ~InstructionsPage() override;

    // Shows the page over its parent, with the keyboard focus on "Begin".
    void showInstructions(const wallmatch::Instructions &instructions);
    // A short page of plain text in the same style, its button named `button`.
    void showText(const QString &text, const QString &button);
    // The same, and `then` runs once when its button is pressed.
    void showText(const QString &text, const QString &button, std::function<void()> then);

Q_SIGNALS:
    void begun();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void begin();
    void present();

    Ui::InstructionsPage *ui;
    std::function<void()> afterBegin;
};

#endif // INSTRUCTIONSPAGE_H

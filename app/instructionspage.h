#ifndef INSTRUCTIONSPAGE_H
#define INSTRUCTIONSPAGE_H

#include "instructions.h"

#include <QString>
#include <QWidget>

namespace Ui {
class InstructionsPage;
}

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

Q_SIGNALS:
    void begun();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void begin();

    Ui::InstructionsPage *ui;
};

#endif // INSTRUCTIONSPAGE_H

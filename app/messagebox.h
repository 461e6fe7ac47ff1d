#ifndef MESSAGEBOX_H
#define MESSAGEBOX_H

#include <QMessageBox>
#include <QString>

class QWidget;

// The window's modal boxes in one place: one OK button (or Yes/No) and no default button.
namespace MessageBox {

void information(QWidget *parent, const QString &title, const QString &text);
void warning(QWidget *parent, const QString &title, const QString &text);
QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text);

// What a write of the results file left to tell: a notice (saved elsewhere) always, an error
// when `interrupt`; both go to standard error too. True when a box was shown.
bool resultsWritten(QWidget *parent, const QString &notice, const QString &error, bool interrupt);

} // namespace MessageBox

#endif // MESSAGEBOX_H

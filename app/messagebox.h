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

} // namespace MessageBox

#endif // MESSAGEBOX_H

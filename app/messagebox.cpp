#include "messagebox.h"

#include <QCoreApplication>
#include <cstdio>

namespace MessageBox {

void information(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}

void warning(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::warning(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}

QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::NoButton);
}

bool resultsWritten(QWidget *parent, const QString &notice, const QString &error, bool interrupt)
{
    if (!notice.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(notice));
        std::fflush(stderr);
        warning(parent, QCoreApplication::translate("MainWindow", "Results Saved Elsewhere"),
                notice);
    }
    if (error.isEmpty())
        return !notice.isEmpty();
    std::fprintf(stderr, "%s\n", qPrintable(error));
    std::fflush(stderr);
    if (!interrupt)
        return !notice.isEmpty();
    warning(parent, QCoreApplication::translate("MainWindow", "Results Not Saved"), error);
    return true;
}

} // namespace MessageBox

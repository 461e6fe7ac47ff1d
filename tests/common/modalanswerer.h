#ifndef MODALANSWERER_H
#define MODALANSWERER_H

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QTimer>
#include <QVector>

// Answers the modal message boxes a test provokes, as a person would, and records what they said.
// Boxes are answered with the queued buttons in order; once the queue is empty, OK or No.
class ModalAnswerer : public QObject
{
public:
    struct Box
    {
        QString title;
        QString text;
        QMessageBox::Icon icon;
    };

    explicit ModalAnswerer(QObject *parent = nullptr)
        : QObject(parent)
    {
        timer.setInterval(2);
        connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
        timer.start();
    }

    void queue(QMessageBox::StandardButton button) { answers.enqueue(button); }

    QVector<Box> boxes;

    QStringList titles() const
    {
        QStringList list;
        for (const Box &box : boxes)
            list << box.title;
        return list;
    }
    QStringList texts() const
    {
        QStringList list;
        for (const Box &box : boxes)
            list << box.text;
        return list;
    }
    void clear() { boxes.clear(); }

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == answered)
            return;
        answered = box;
        boxes.append({box->windowTitle(), box->text(), box->icon()});
        QMessageBox::StandardButton wanted =
            answers.isEmpty() ? QMessageBox::NoButton : answers.dequeue();
        QAbstractButton *button = wanted != QMessageBox::NoButton ? box->button(wanted) : nullptr;
        if (!button)
            button = box->button(QMessageBox::Ok);
        if (!button)
            button = box->button(QMessageBox::No);
        if (button)
            button->click();
    }

    QTimer timer;
    QQueue<QMessageBox::StandardButton> answers;
    QPointer<QMessageBox> answered;
};

#endif // MODALANSWERER_H

#ifndef NOTICE_H
#define NOTICE_H

#include <QLabel>
#include <optional>

// A large text over the views: a break, the focus lost, a practice answer's feedback.
class Notice : public QLabel
{
public:
    // Over `views` (its parent), hidden until shown.
    explicit Notice(QWidget *views);

    // Covering the views, or across them at `seamY`, leaving both views' walls in sight.
    void showText(const QString &text, std::optional<int> seamY = std::nullopt);
};

#endif // NOTICE_H

#include "notice.h"

Notice::Notice(QWidget *views)
    : QLabel(views)
{
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setStyleSheet(QStringLiteral("background-color: rgba(20, 20, 20, 235); color: white; "
                                 "font-size: 28pt; padding: 24px;"));
    hide();
}

void Notice::showText(const QString &text, std::optional<int> seamY)
{
    setText(text);
    if (seamY)
        setGeometry(0, *seamY - 60, parentWidget()->width(), 120);
    else
        setGeometry(parentWidget()->rect());
    raise();
    show();
}

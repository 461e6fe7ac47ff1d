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
    if (seamY) {
        // As high as the wrapped text needs, never clipped: centred on the seam where the views
        // leave room, else kept inside them.
        const QRect views = parentWidget()->rect();
        const int height = qBound(120, heightForWidth(views.width()), views.height());
        const int top = qBound(0, *seamY - height / 2, views.height() - height);
        setGeometry(0, top, views.width(), height);
    } else
        setGeometry(parentWidget()->rect());
    raise();
    show();
}

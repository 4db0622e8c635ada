#include "SearchField.h"

#include <QKeyEvent>

SearchField::SearchField(QWidget *list)
    : QLineEdit(list->parentWidget() ? list->parentWidget() : list), list_(list) {
    setObjectName(QStringLiteral("ListView1_Search"));
    setPlaceholderText(QStringLiteral("Rechercher dans les noms"));
    setClearButtonEnabled(true);
    hide();
}

void SearchField::place() {
    const int height = sizeHint().height();
    const QRect area = list_ == parentWidget() ? list_->rect() : list_->geometry();
    setGeometry(area.left(), area.bottom() + 1 - height, area.width(), height);
}

void SearchField::open() {
    place();
    show();
    raise();
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
}

void SearchField::dismiss() {
    clear();
    hide();
    list_->setFocus(Qt::OtherFocusReason);
}

void SearchField::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        event->accept();
        return;
    }
    // Return goes on to the rows found, and opens nothing by itself.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        list_->setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

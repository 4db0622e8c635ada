#include "SearchField.h"

#include <QKeyEvent>

SearchField::SearchField(QWidget *list) : QLineEdit(list) {
    setObjectName(QStringLiteral("ListView1_Search"));
    setPlaceholderText(QStringLiteral("Rechercher dans les noms"));
    setClearButtonEnabled(true);
    hide();
}

void SearchField::place() {
    const QWidget *list = parentWidget();
    const int height = sizeHint().height();
    setGeometry(0, list->height() - height, list->width(), height);
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
    parentWidget()->setFocus(Qt::OtherFocusReason);
}

void SearchField::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        event->accept();
        return;
    }
    // Return goes on to the rows found, and opens nothing by itself.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        parentWidget()->setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

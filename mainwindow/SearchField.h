// The entry list's search field: one line laid over the bottom edge of the list, shown by
// Ctrl+F; nothing else moves. What is typed filters the rows as it is typed; Escape empties
// the field and hides it.
#pragma once

#include <QLineEdit>

class SearchField : public QLineEdit {
    Q_OBJECT
public:
    // A sibling of `list` (above its scroll bars), or its child when it has no parent.
    explicit SearchField(QWidget *list);

    // Shown over the bottom edge of the list, the focus in it.
    void open();
    // Emptied and hidden (the rows all come back); the focus back in the list.
    void dismiss();
    // Placed over the bottom edge of the list, across its width.
    void place();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QWidget *list_;
};

#include "CaptionFit.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace CaptionFit {

namespace {

constexpr int kMargin = 8; // 120 twips, the designed gap between a frame and what it holds

bool captioned(const QWidget *w) {
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLabel *>(w) ||
           qobject_cast<const QGroupBox *>(w);
}

// Placed by hand: no layout of its parent manages it.
bool placedByHand(const QWidget *w) {
    return w->parentWidget() && !w->parentWidget()->layout() && !w->isWindow();
}

void setSize(QWidget *w, const QSize &size) {
    if (w->minimumSize() == w->maximumSize())
        w->setFixedSize(size); // a fixed client area stays fixed, at its new size
    else
        w->resize(size);
}

// Post-order: children first, so a frame grows around its grown children. A child that grew
// to the right pushes the siblings that stood to its right along with it, keeping the gap
// between them: growing never makes two controls overlap.
void grow(QWidget *w, const QList<QWidget *> &keep) {
    if (keep.contains(w)) return;
    struct Placed {
        QWidget *child;
        QRect before;
    };
    std::vector<Placed> placed;
    for (QObject *o : w->children()) {
        auto *child = qobject_cast<QWidget *>(o);
        if (!child || !placedByHand(child)) continue;
        placed.push_back({child, child->geometry()});
        grow(child, keep);
    }
    std::sort(placed.begin(), placed.end(),
              [](const Placed &a, const Placed &b) { return a.before.left() < b.before.left(); });
    for (const Placed &left : placed) {
        for (const Placed &right : placed) {
            const bool besideIt = right.before.left() > left.before.right() &&
                                  right.before.top() <= left.before.bottom() &&
                                  right.before.bottom() >= left.before.top();
            if (!besideIt) continue;
            const int gap = std::min(right.before.left() - left.before.right() - 1, kMargin);
            const int push = left.child->geometry().right() + 1 + gap - right.child->x();
            if (push > 0) right.child->move(right.child->x() + push, right.child->y());
        }
    }
    QSize size = w->size();
    for (const Placed &p : placed) {
        // The gap the design left after the child, at most the usual margin, is kept.
        const int gapRight = std::clamp(w->width() - (p.before.right() + 1), 0, kMargin);
        const int gapBottom = std::clamp(w->height() - (p.before.bottom() + 1), 0, kMargin);
        const QRect after = p.child->geometry();
        size = size.expandedTo(QSize(after.right() + 1 + gapRight, after.bottom() + 1 + gapBottom));
    }
    if (captioned(w)) size = size.expandedTo(Needed(w));
    if (size != w->size()) setSize(w, size);
}

void collect(QWidget *w, QList<QWidget *> &out) {
    for (QObject *o : w->children()) {
        auto *child = qobject_cast<QWidget *>(o);
        if (!child || !placedByHand(child)) continue;
        if (captioned(child) && Needed(child).width() > child->width()) out << child;
        collect(child, out);
    }
}

} // namespace

QSize Needed(const QWidget *control) {
    // The whole width the control asks for; in height, only the line of text itself: the
    // designed rows are tighter than Qt's padding, and a caption reads once its line fits.
    const int line = control->fontMetrics().height();
    if (qobject_cast<const QGroupBox *>(control))
        return {std::max(control->sizeHint().width(), control->minimumSizeHint().width()), line};
    return {control->sizeHint().width(), line};
}

void GrowToFit(QWidget *form, const QList<QWidget *> &keep) {
    // The form's own size counts only through its children: it is not captioned.
    grow(form, keep);
}

QList<QWidget *> Clipped(QWidget *form) {
    QList<QWidget *> out;
    collect(form, out);
    return out;
}

} // namespace CaptionFit

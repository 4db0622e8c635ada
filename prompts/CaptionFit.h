// Windows laid out at fixed places, as designed in twips, with captions that must show in full
// at the user's font: a control whose caption needs more room grows to the right or down, and
// so does each frame holding it, up to the window's client area. A control moves only when one
// to its left grew into it, and then only to the right, by as much.
#pragma once

#include <QList>
#include <QSize>

class QWidget;

namespace CaptionFit {

// The width and height a control's caption needs: its size hint's width (for a frame, its
// title's), and the height of one line of text.
QSize Needed(const QWidget *control);

// Grows the captioned controls under `form` (buttons, check boxes, option buttons, labels,
// frames) that are placed by hand, then their containers, then `form`. The controls in `keep`
// and their children keep their geometry.
void GrowToFit(QWidget *form, const QList<QWidget *> &keep);

// The captioned controls under `form` whose caption is wider than the control.
QList<QWidget *> Clipped(QWidget *form);

} // namespace CaptionFit

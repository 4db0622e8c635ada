// Windows are laid out as designed, in twips: 15 twips make a pixel at 96 dpi.
#pragma once

#include <QString>
#include <QWidget>

constexpr int px(int twips) {
    return twips / 15;
}

// Names a control (its object name is the name the code and the tests know it by) and puts
// it at its designed place, in twips.
template <typename W> W *place(W *w, const char *name, int x, int y, int width, int height) {
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(px(x), px(y), px(width), px(height));
    return w;
}

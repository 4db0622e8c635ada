// Captions that need more room than their designed place: they grow, their frames with them, and
// what stood to their right moves along instead of being covered.
#include "CaptionFit.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

TEST(CaptionFitTest, AGrownControlPushesItsRightNeighbourAndTheFormGrows) {
    QWidget form;
    form.setFixedSize(300, 100);
    auto *frame =
        new QGroupBox(QStringLiteral("Un titre de cadre bien plus long que sa place"), &form);
    frame->setGeometry(8, 8, 60, 80);
    auto *button = new QPushButton(QStringLiteral("OK"), &form);
    button->setGeometry(76, 8, 80, 24); // 8 px to the right of the frame
    auto *below = new QPushButton(QStringLiteral("Bas"), &form);
    below->setGeometry(8, 200, 40, 24); // not beside the frame: stays
    CaptionFit::GrowToFit(&form, {});

    EXPECT_GT(frame->width(), 60);
    EXPECT_EQ(frame->pos(), QPoint(8, 8));
    EXPECT_EQ(button->x(), frame->geometry().right() + 1 + 8); // the gap kept
    EXPECT_EQ(button->y(), 8);
    EXPECT_EQ(below->pos(), QPoint(8, 200));
    EXPECT_GE(form.width(), button->geometry().right() + 1);
    EXPECT_TRUE(CaptionFit::Clipped(&form).isEmpty());
}

TEST(CaptionFitTest, ControlsThatFitStayWhereTheyAre) {
    QWidget form;
    form.setFixedSize(300, 100);
    auto *label = new QLabel(QStringLiteral("Ok"), &form);
    label->setGeometry(8, 8, 100, 20);
    auto *button = new QPushButton(QStringLiteral("Oui"), &form);
    button->setGeometry(116, 8, 100, 24);
    CaptionFit::GrowToFit(&form, {});
    EXPECT_EQ(label->geometry(), QRect(8, 8, 100, 20));
    EXPECT_EQ(button->geometry().topLeft(), QPoint(116, 8));
    EXPECT_EQ(form.size(), QSize(300, 100));
}

} // namespace

// Keeps the window alive while a command works on the user-interface thread: the work's
// progress hook calls tick(), which lets Qt paint and run its timers at most every 50 ms (user
// input held back, so nothing else starts). Once the work has lasted about a second, a small
// modal window shows it with a plain "Annuler" button; from then on the events run normally,
// the modality keeping them off the other windows. The work asks cancelled() between pieces.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <cstdint>

class QProgressDialog;
class QWidget;

class LongWork {
public:
    LongWork(QWidget *parent, QString text);
    ~LongWork();
    LongWork(const LongWork &) = delete;
    LongWork &operator=(const LongWork &) = delete;

    // `done` of `total` (any unit; a total of 0 keeps the bar still). The first call starts
    // the clock.
    void tick(std::int64_t done, std::int64_t total);
    bool cancelled() const { return cancelled_; }

    // How often events run, and how long the work runs before its window shows (50 ms and
    // 1 s; tests shorten them).
    static void setPace(int pumpEvery, int showAfter);

private:
    QWidget *parent_;
    QString text_;
    QElapsedTimer started_, pumped_;
    QPointer<QProgressDialog> window_;
    bool cancelled_ = false;
};

#include "LongWork.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QPushButton>

namespace {
int pumpEvery = 50, showAfter = 1000; // milliseconds
constexpr int kBarSteps = 1000;
} // namespace

void LongWork::setPace(int pumpEveryMs, int showAfterMs) {
    pumpEvery = pumpEveryMs;
    showAfter = showAfterMs;
}

LongWork::LongWork(QWidget *parent, QString text) : parent_(parent), text_(std::move(text)) {}

LongWork::~LongWork() {
    delete window_.data();
}

void LongWork::tick(std::int64_t done, std::int64_t total) {
    // The work starts with its first report: a dialog may come first and take its time.
    if (!started_.isValid()) {
        started_.start();
        pumped_.start();
    }
    if (pumped_.elapsed() < pumpEvery) return;
    pumped_.restart();
    if (!window_ && started_.elapsed() >= showAfter) {
        window_ = new QProgressDialog(text_, QString(), 0, kBarSteps, parent_);
        window_->setObjectName(QStringLiteral("LongWork"));
        window_->setWindowTitle(QStringLiteral("Mivo-ZIP"));
        // A plain "Annuler": its text carries no accelerator letter.
        auto *cancel = new QPushButton(QStringLiteral("Annuler"), window_);
        cancel->setObjectName(QStringLiteral("LongWorkCancel"));
        window_->setCancelButton(cancel);
        window_->setWindowModality(Qt::ApplicationModal);
        window_->setMinimumDuration(0);
        window_->setAutoClose(false);
        window_->setAutoReset(false);
        QObject::connect(window_, &QProgressDialog::canceled, [this] { cancelled_ = true; });
        window_->show();
    }
    if (window_ && total > 0)
        window_->setValue(static_cast<int>(kBarSteps * static_cast<double>(done) / total));
    QCoreApplication::processEvents(window_ ? QEventLoop::AllEvents
                                            : QEventLoop::ExcludeUserInputEvents);
}

#include "AutoExtractBuild.h"

#include <QMetaObject>

AutoExtractBuild::AutoExtractBuild(QObject *parent) : QObject(parent) {}

AutoExtractBuild::~AutoExtractBuild() {
    stop();
    // Whatever the worker posts from now on is dropped with this object.
    if (worker_.joinable()) worker_.join();
}

bool AutoExtractBuild::start(sfx::BuildRequest request) {
    if (running()) return false;
    stopRequested_ = false;
    worker_ = std::thread([this, request = std::move(request)] { run(request); });
    return true;
}

void AutoExtractBuild::post(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void AutoExtractBuild::showProgress() {
    progressPosted_ = false;
    if (progress) progress(value_, maximum_);
}

void AutoExtractBuild::run(const sfx::BuildRequest &request) {
    sfx::BuildEvents events;
    events.status = [this](const std::string &text) {
        post([this, text = QString::fromStdString(text)] {
            if (status) status(text);
        });
    };
    events.progress = [this](std::uint64_t value, std::uint64_t maximum) {
        value_ = value;
        maximum_ = maximum;
        // One update waits in the queue at most; it shows the latest value when it runs.
        if (!progressPosted_.exchange(true)) post([this] { showProgress(); });
    };
    events.progressShown = [this](bool shown) {
        post([this, shown] {
            if (progressShown) progressShown(shown);
        });
    };
    events.cancelRequested = [this] { return stopRequested_.load(); };
    const sfx::BuildResult result = sfx::BuildSelfExtractor(request, events);
    post([this, result] {
        if (worker_.joinable()) worker_.join(); // it has posted this and is ending
        if (finished) finished(result);
    });
}

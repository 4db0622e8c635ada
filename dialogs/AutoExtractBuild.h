// One build of a self-extracting program on a worker thread, for the builder window: the build
// steps (sfx_builder) run there, and what they report reaches the window's thread through its
// event loop, so that the window keeps painting and its progress bar moves. stop() asks the
// build to end at the next piece it writes; it then removes everything it wrote.
#pragma once

#include "SfxBuilder.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

class AutoExtractBuild : public QObject {
    Q_OBJECT
public:
    explicit AutoExtractBuild(QObject *parent = nullptr);
    // Stops a running build and waits for it.
    ~AutoExtractBuild() override;

    // Starts the build; false while one is running.
    bool start(sfx::BuildRequest request);
    void stop() { stopRequested_ = true; }
    bool running() const { return worker_.joinable(); }

    // Called on the owner's thread, in the order of the steps. Progress updates are merged:
    // only the latest value is shown when the window is slower than the build.
    std::function<void(const QString &text)> status;
    std::function<void(std::uint64_t value, std::uint64_t maximum)> progress;
    std::function<void(bool shown)> progressShown;
    // Last: the build has ended, and running() is false again.
    std::function<void(const sfx::BuildResult &result)> finished;

private:
    void run(const sfx::BuildRequest &request);
    void post(std::function<void()> call);
    void showProgress();

    std::thread worker_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<std::uint64_t> value_{0}, maximum_{0};
    std::atomic<bool> progressPosted_{false};
};

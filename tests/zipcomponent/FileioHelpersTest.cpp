// The small helpers of fileio that every pure-C++ target shares.
#include "ReadWrite.h"
#include "Utf8.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

TEST(Utf8Check, RefusesOverlongAndTruncatedSequences) {
    EXPECT_FALSE(fileio::IsValidUtf8("\xC0\xAF"));
    EXPECT_FALSE(fileio::IsValidUtf8("abc\xE2\x82"));
    EXPECT_TRUE(fileio::IsValidUtf8("€"));
}

// A pipe moves at most its capacity (64 KiB) per call, and a signal cuts a blocked call short,
// with a partial count or EINTR: whole transfers go on until every byte has crossed, in order,
// and the read stops short only at the end of the data.
TEST(WholeTransfers, CarryEveryByteAcrossShortAndInterruptedCalls) {
    struct sigaction quiet {
    }, saved{};
    quiet.sa_handler = [](int) {};
    sigemptyset(&quiet.sa_mask);
    quiet.sa_flags = 0; // no SA_RESTART: the signal interrupts the call
    ASSERT_EQ(sigaction(SIGUSR1, &quiet, &saved), 0);

    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    std::string sent(1 << 20, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<char>(i * 131 + (i >> 16)); // differs from one 64 KiB to the next
    std::string received(sent.size() + 10, '\0');

    std::atomic<bool> writing{true}, reading{true};
    ssize_t got = -2;
    std::thread reader([&] {
        got = fileio::ReadAll(pipeEnds[0], received.data(), received.size());
        reading = false;
    });
    const pthread_t readerThread = reader.native_handle();
    const pthread_t writerThread = pthread_self();
    std::thread interrupter([&] {
        while (reading) {
            if (writing) pthread_kill(writerThread, SIGUSR1);
            pthread_kill(readerThread, SIGUSR1);
            usleep(50);
        }
    });
    const bool wrote = fileio::WriteAll(pipeEnds[1], sent.data(), sent.size());
    writing = false;
    close(pipeEnds[1]);
    interrupter.join(); // before the reader's: its thread is signalled until it has read
    reader.join();
    close(pipeEnds[0]);
    sigaction(SIGUSR1, &saved, nullptr);

    EXPECT_TRUE(wrote);
    ASSERT_EQ(got, static_cast<ssize_t>(sent.size()));
    EXPECT_TRUE(received.compare(0, sent.size(), sent) == 0);
}

} // namespace

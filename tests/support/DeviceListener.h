#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

// Plays the device at the far end of a pseudo-terminal: a thread reads what the
// program sends, the moment it arrives, while the test's thread runs the
// window's event loop.
class DeviceListener {
public:
    using Clock = std::chrono::steady_clock;
    struct Arrival {
        Clock::time_point at;
        size_t total;  // bytes received up to and including this read
    };

    explicit DeviceListener(int masterFd);
    ~DeviceListener();
    DeviceListener(const DeviceListener&) = delete;
    DeviceListener& operator=(const DeviceListener&) = delete;

    std::vector<unsigned char> Bytes() const;
    size_t Count() const;
    std::vector<Arrival> Arrivals() const;
    // When the byte count first reached each multiple of `sendSize`: one time
    // per send of that many bytes.
    std::vector<Clock::time_point> SendTimes(size_t sendSize) const;
    void Clear();

    // Answers every read with these bytes, as a device that talks back.
    void ReplyWith(std::vector<unsigned char> reply);

private:
    void Run();

    const int fd_;
    mutable std::mutex mutex_;
    std::vector<unsigned char> bytes_;
    std::vector<Arrival> arrivals_;
    std::vector<unsigned char> reply_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

#include "support/DeviceListener.h"

#include <poll.h>
#include <unistd.h>

DeviceListener::DeviceListener(int masterFd) : fd_(masterFd), thread_([this] { Run(); }) {}

DeviceListener::~DeviceListener() {
    stop_ = true;
    thread_.join();
}

void DeviceListener::Run() {
    unsigned char buffer[65536];
    while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 10) <= 0 || !(p.revents & POLLIN)) {
            continue;
        }
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) {
            continue;
        }
        const auto now = Clock::now();
        std::vector<unsigned char> reply;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            bytes_.insert(bytes_.end(), buffer, buffer + n);
            arrivals_.push_back(Arrival{now, bytes_.size()});
            reply = reply_;
        }
        if (!reply.empty()) {
            [[maybe_unused]] ssize_t written = ::write(fd_, reply.data(), reply.size());
        }
    }
}

std::vector<unsigned char> DeviceListener::Bytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_;
}

size_t DeviceListener::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_.size();
}

std::vector<DeviceListener::Arrival> DeviceListener::Arrivals() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return arrivals_;
}

std::vector<DeviceListener::Clock::time_point> DeviceListener::SendTimes(size_t sendSize) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Clock::time_point> times;
    for (const Arrival& a : arrivals_) {
        while ((times.size() + 1) * sendSize <= a.total) {
            times.push_back(a.at);
        }
    }
    return times;
}

void DeviceListener::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    bytes_.clear();
    arrivals_.clear();
}

void DeviceListener::ReplyWith(std::vector<unsigned char> reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    reply_ = std::move(reply);
}

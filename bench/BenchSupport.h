#pragma once
#include <algorithm>
#include <chrono>
#include <vector>

// Median of a few timed rounds, in seconds.
template <typename Round> double MedianSeconds(int rounds, Round round) {
    std::vector<double> seconds;
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        round();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

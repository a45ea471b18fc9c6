#pragma once

#include <exception>
#include <system_error>
#include <thread>
#include <utility>

// Runs `beside` on a second thread while `here` runs on this one, and returns when both are done.
// When no thread can be had, both run here, one after the other. An exception from either is
// rethrown here once both have ended (the one from `here` first). The two must not touch the
// same data, except to read it.
template <class Here, class Beside>
void QxRunBoth(Here&& here, Beside&& beside) {
    std::exception_ptr besideFailure;
    std::thread helper;
    try {
        helper = std::thread([&beside, &besideFailure] {
            try {
                beside();
            } catch (...) {
                besideFailure = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        here();
        beside();
        return;
    }
    try {
        here();
    } catch (...) {
        helper.join();
        throw;
    }
    helper.join();
    if (besideFailure) std::rethrow_exception(besideFailure);
}

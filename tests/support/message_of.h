// What an action raised, as text, so a test compares a whole message in one line.
#pragma once

#include <exception>
#include <functional>
#include <string>

/// What `action` raised as an E, or a line saying what else happened.
template <class E>
std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("wrong exception: ") + e.what();
    } catch (...) {
        return "a foreign exception passed through";
    }
    return "nothing raised";
}

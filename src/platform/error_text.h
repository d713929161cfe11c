// What a person is told when an operation fails with an exception: the
// program's own messages as they stand, plain sentences for the rest, never
// a library's internal text ("std::bad_alloc", "cannot create std::vector
// larger than max_size()").
#pragma once

#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

inline constexpr const char* kGameTooLargeText = "Game too large.";
inline constexpr const char* kNoMemoryText = "Not enough memory to show this game.";
inline constexpr const char* kUnexpectedErrorText = "Unexpected error.";

inline std::string UserErrorText(const std::exception& e) {
    if (dynamic_cast<const std::bad_alloc*>(&e)) return kNoMemoryText;
    // Sizes beyond what a container or a 32-bit position can hold.
    if (dynamic_cast<const std::length_error*>(&e)) return kGameTooLargeText;
    // Stream and system failures speak the library's language.
    if (dynamic_cast<const std::system_error*>(&e)) return kUnexpectedErrorText;
    // Run-time errors carry messages written for people: the file errors of
    // this program (which name the file and the cause) and its handlers'.
    if (dynamic_cast<const std::runtime_error*>(&e)) return e.what();
    // Logic errors and the rest are internal.
    return kUnexpectedErrorText;
}

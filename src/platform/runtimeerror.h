#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace kl {

// Error numbers of the runtime failures the program can meet. The numbers and
// their Japanese descriptions follow the runtime library the windows were
// designed against, so that a report reads the same on every platform.
namespace err {
inline constexpr int InvalidProcedureCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int FileNotFound = 53;
inline constexpr int DeviceIoError = 57;
inline constexpr int DiskFull = 61;
inline constexpr int DeviceUnavailable = 68;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int InvalidPropertyArrayIndex = 381;
} // namespace err

// A runtime failure: a number and the description shown for it (UTF-8). Handlers
// catch it according to their mode (see Runtime); nothing else should.
class RuntimeError final : public std::exception
{
public:
    explicit RuntimeError(int number);
    RuntimeError(int number, std::string description);

    // The settings are held by another process past the wait: nothing is
    // damaged or refused, and the action that met it is to be given up.
    // holderPid 0 when it cannot be known. A marker, not a subclass, so that
    // it survives being copied as a RuntimeError.
    static RuntimeError busy(const std::string &path, std::int64_t holderPid);
    bool isBusy() const noexcept { return m_busy; }

    int number() const noexcept { return m_number; }
    const std::string &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.c_str(); }

    // The standard description for a number; a generic text for unknown ones.
    static std::string describe(int number);

private:
    int m_number;
    std::string m_description;
    std::string m_what;
    bool m_busy = false;
};

} // namespace kl

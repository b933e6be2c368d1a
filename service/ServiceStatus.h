#pragma once

#include <optional>
#include <string>
#include <utility>

// Status numbers of the service's reply envelope ("status" beside "data" or
// "message"). The 109xx values are the ones the client maps to its own codes;
// the others mirror HTTP so that a person reading a reply knows them.
namespace ServiceStatus {
constexpr int Ok = 200;
constexpr int BadRequest = 400;
constexpr int Unauthorized = 401;
constexpr int Forbidden = 403;
constexpr int NotFound = 404;
constexpr int Conflict = 409;
constexpr int PayloadTooLarge = 413;
constexpr int Internal = 500;
constexpr int ObjectNotFound = 10904;       // remote folder, object or file safe does not exist
constexpr int QuotaExceeded = 10907;        // storage quota of the safe exhausted
constexpr int NoModule = 10910;             // destination file safe does not exist
constexpr int DestinationNotFound = 10911;  // destination folder does not exist
constexpr int PasswordsExhausted = 10912;   // password safe holds its maximum of entries
constexpr int MethodUnavailable = 10920;    // second-factor method not offered or not active
constexpr int ClientOutdated = 10930;       // client version below the compatible one
} // namespace ServiceStatus

// Outcome of a service operation: a value, or a status and a message that go
// to the client as they are.
template <typename T>
struct Outcome
{
    std::optional<T> value;
    int status = ServiceStatus::Ok;
    std::string message;

    bool ok() const { return status == ServiceStatus::Ok && value.has_value(); }
    static Outcome success(T v)
    {
        Outcome o;
        o.value = std::move(v);
        return o;
    }
    static Outcome failure(int status, std::string message)
    {
        Outcome o;
        o.status = status;
        o.message = std::move(message);
        return o;
    }
    // Carries a failure of another type on.
    template <typename U>
    static Outcome from(const Outcome<U> &other)
    {
        return failure(other.status, other.message);
    }
};

struct Done
{
};

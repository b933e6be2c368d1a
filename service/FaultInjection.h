#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Faults that tests ask for through the admin interface: each applies to the
// next requests whose method and path match, as many times as asked.
class FaultInjection
{
public:
    enum class Kind { Delay, Stall, Cut, Status, Empty, NonJson, Rewrite, Header };
    struct Fault
    {
        int id = 0;
        Kind kind = Kind::Delay;
        std::string method;      // empty: any
        std::string pathPrefix;  // empty: any path outside /admin
        int ms = 0;              // Delay: the wait; Stall: the longest wait
        int status = 500;        // Status: the HTTP status to answer
        std::int64_t after = -1; // Cut: bytes of the body sent before the connection closes (-1: half)
        int remaining = 1;       // applications left; 0 or less: until cleared
        std::string from;        // Rewrite: the first occurrence of this text in a reply body ...
        std::string to;          // ... becomes this text
        std::string header;      // Header: this reply header ...
        std::string value;       // ... gets this value (empty: removed)
    };

    static std::optional<Kind> kindFromName(const std::string &name);
    static const char *kindName(Kind kind);

    int add(Fault fault);
    // Removes every fault and releases every stalled reply.
    void clear();
    std::optional<Fault> take(const std::string &method, const std::string &path);
    // Holds a reply until the faults are cleared, the time is up or the service stops.
    void stall(int ms);
    void shutdown();
    std::vector<Fault> active();

private:
    std::mutex m_mutex;
    std::condition_variable m_released;
    std::vector<Fault> m_faults;
    int m_nextId = 1;
    std::uint64_t m_generation = 0;
    bool m_shutdown = false;
};

#include "FaultInjection.h"

#include <chrono>

std::optional<FaultInjection::Kind> FaultInjection::kindFromName(const std::string &name)
{
    if (name == "delay")
        return Kind::Delay;
    if (name == "stall")
        return Kind::Stall;
    if (name == "cut")
        return Kind::Cut;
    if (name == "status")
        return Kind::Status;
    if (name == "empty")
        return Kind::Empty;
    if (name == "nonjson")
        return Kind::NonJson;
    if (name == "rewrite")
        return Kind::Rewrite;
    if (name == "header")
        return Kind::Header;
    return std::nullopt;
}

const char *FaultInjection::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Delay:
        return "delay";
    case Kind::Stall:
        return "stall";
    case Kind::Cut:
        return "cut";
    case Kind::Status:
        return "status";
    case Kind::Empty:
        return "empty";
    case Kind::NonJson:
        return "nonjson";
    case Kind::Rewrite:
        return "rewrite";
    case Kind::Header:
        return "header";
    }
    return "?";
}

int FaultInjection::add(Fault fault)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    fault.id = m_nextId++;
    m_faults.push_back(fault);
    return fault.id;
}

void FaultInjection::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
    ++m_generation;
    m_released.notify_all();
}

std::optional<FaultInjection::Fault> FaultInjection::take(const std::string &method, const std::string &path)
{
    if (path.rfind("/admin/", 0) == 0)
        return std::nullopt;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (!it->method.empty() && it->method != method)
            continue;
        if (!it->pathPrefix.empty() && path.rfind(it->pathPrefix, 0) != 0)
            continue;
        Fault hit = *it;
        if (it->remaining > 0 && --it->remaining == 0)
            m_faults.erase(it);
        return hit;
    }
    return std::nullopt;
}

void FaultInjection::stall(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const std::uint64_t generation = m_generation;
    m_released.wait_for(lock, std::chrono::milliseconds(ms),
                        [&] { return m_shutdown || m_generation != generation; });
}

void FaultInjection::shutdown()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shutdown = true;
    m_released.notify_all();
}

std::vector<FaultInjection::Fault> FaultInjection::active()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_faults;
}

#pragma once

class ServiceServer;
struct Call;

// The admin interface for tests, below "/admin/": only from loopback and only
// with the token the service prints at start ("X-Admin-Token"). Faults,
// session expiry, quotas, the idle time and the out-of-band outbox.
class AdminHandlers
{
public:
    explicit AdminHandlers(ServiceServer &server);

private:
    void addFault(Call &call);
    void clearFaults(Call &call);
    void listFaults(Call &call);
    void expireSessions(Call &call);
    void setQuota(Call &call);
    void settings(Call &call);
    void outbox(Call &call);
    void trash(Call &call);

    ServiceServer &m_server;
};

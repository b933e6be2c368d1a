#pragma once

class ServiceServer;
struct Call;

// The password safe endpoints of both API generations.
class PasswordHandlers
{
public:
    explicit PasswordHandlers(ServiceServer &server);

private:
    ServiceServer &m_server;
};

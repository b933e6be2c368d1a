#pragma once

class ServiceServer;
struct Call;

// The file safe endpoints of both API generations.
class FileHandlers
{
public:
    explicit FileHandlers(ServiceServer &server);

private:
    ServiceServer &m_server;
};

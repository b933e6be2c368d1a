#include "FileHandlers.h"

#include "ServiceServer.h"

FileHandlers::FileHandlers(ServiceServer &server) : m_server(server)
{
}

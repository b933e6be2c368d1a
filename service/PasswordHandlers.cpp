#include "PasswordHandlers.h"

#include "ServiceServer.h"

PasswordHandlers::PasswordHandlers(ServiceServer &server) : m_server(server)
{
}

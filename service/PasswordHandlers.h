#pragma once

#include "PasswordStore.h"
#include "ServiceStatus.h"

#include <string>

class ServiceServer;
class JsonWriter;
struct Call;

// The password safe endpoints of both API generations ("/rest/loggedin/2/passwords"
// and "/api/sync/1/passwords"). Secrets travel encrypted with the caller's
// session key under a fresh IV and rest sealed with the service key.
class PasswordHandlers
{
public:
    explicit PasswordHandlers(ServiceServer &server);

    // The built-in list of passwords known from breaches.
    static bool isBreached(const std::string &password);

private:
    void list(Call &call);
    void get(Call &call);
    void create(Call &call);
    void update(Call &call);
    void remove(Call &call);
    void breached(Call &call);

    // The clear text of {"password": hex, "transportIv": hex} under the session key.
    Outcome<std::string> decryptSecret(Call &call);
    // decryptSecret, sealed with the service key for storage.
    Outcome<std::string> sealedSecret(Call &call);
    // title, username, url, comment of a request body.
    Outcome<PasswordStore::Entry> readEntry(Call &call);
    static void writeEntry(JsonWriter &w, const PasswordStore::Entry &entry);

    ServiceServer &m_server;
};

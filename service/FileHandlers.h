#pragma once

#include "SafeStore.h"
#include "ServiceStatus.h"

#include <cstdint>
#include <string>

class ServiceServer;
class JsonWriter;
struct Call;

// The file safe endpoints of both API generations ("/rest/loggedin/3/filesafe/"
// and "/api/sync/1/files/"): safes, listings, encrypted downloads and uploads
// (streamed, decrypted while they arrive), folders and deletion into a trash.
class FileHandlers
{
public:
    explicit FileHandlers(ServiceServer &server);

    // Where a new file or folder goes, from "X-Destination": "<safe id>/<folder
    // path>" ("<safe id>/" is the root), or the object id of a folder.
    struct Destination
    {
        std::int64_t safeId = 0;
        std::string folder;
    };

private:
    void safes(Call &call);
    void objects(Call &call);
    void download(Call &call);
    void upload(Call &call);
    void createFolder(Call &call);
    void removeFile(Call &call);
    void removeFolder(Call &call);
    void remove(Call &call, bool folder);

    Outcome<Destination> destination(Call &call);
    // The safe of the user, with the access letter required and, for changes,
    // not past its expiry date.
    Outcome<SafeStore::Safe> safeFor(Call &call, std::int64_t safeId, char letter, bool change);
    static void writeObject(JsonWriter &w, const SafeStore::Listed &o, const std::string &access);

    ServiceServer &m_server;
};

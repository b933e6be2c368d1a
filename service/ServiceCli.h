#pragma once

#include "AccountStore.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class ServiceData;

// The command line of korvex-service for people and scripts:
//   korvex-service [--data DIR] serve [--port N] [--host ADDR] [--http] ...
//   korvex-service [--data DIR] add-user NAME [--2fa METHOD[=STATE]]... (password in KORVEX_PASSWORD)
//   korvex-service [--data DIR] add-safe USER NAME [--type T] [--access L] [--quota B] ...
// Exit status 0 on success, 1 on a failed operation, 2 on a usage error.
class ServiceCli
{
public:
    explicit ServiceCli(std::vector<std::string> args) : m_args(std::move(args)) {}
    int run();

    static std::string usage();

private:
    int serve();
    int addUser();
    int setUser();
    int addSafe();
    int shareSafe();
    int importFolder();
    int readTan();
    int listItans();
    int listUsers();
    int listSafes();

    // The value of an option ("--port 8443" or "--port=8443").
    bool option(const std::string &name, std::string &value);
    bool flag(const std::string &name);
    std::vector<std::string> options(const std::string &name);
    // What is left after the options were taken: the positional arguments.
    bool positional(size_t count, std::vector<std::string> &out);
    int usageError(const std::string &message);
    int failure(const std::string &message);
    // The data folder, or null after telling why it cannot be opened.
    std::unique_ptr<ServiceData> openData();
    // The account of that name, or nothing after telling that there is none.
    std::optional<AccountStore::User> findUser(ServiceData &data, const std::string &name);

    std::vector<std::string> m_args;
    std::string m_dataFolder;
};

#include "ServiceCli.h"

#include "AdminHandlers.h"
#include "AuthHandlers.h"
#include "FileHandlers.h"
#include "PasswordHandlers.h"
#include "Random.h"
#include "ServiceData.h"
#include "ServiceLog.h"
#include "ServiceServer.h"
#include "Srp.h"
#include "TwoFactor.h"
#include "WireFormat.h"
#include "sync/Crypto.h"
#include "sync/DigestCalculator.h"

#include <QString>


#include <cerrno>
#include <filesystem>
#include <fstream>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <thread>

namespace {
// User names travel in lower case; the service keeps them so.
std::optional<std::string> normalUserName(const std::string &name)
{
    if (!WireFormat::isValidUtf8(name) || name.empty() || name.size() > 100)
        return std::nullopt;
    const std::string lower = QString::fromStdString(name).toLower().toStdString();
    for (char c : lower) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F)
            return std::nullopt;
    }
    return lower;
}

std::string keyCheck(const std::string &password, const std::string &salt, int iterations)
{
    QByteArray key;
    deriveKeyPbkdf2(QByteArray::fromStdString(password), QByteArray::fromStdString(salt), iterations, key);
    return Srp::hash({std::string(key.constData(), static_cast<size_t>(key.size()))});
}

bool isAccountState(const std::string &s)
{
    return s == "ACTIVE" || s == "EXPIRED" || s == "INHERITANCE_EXECUTED" || s == "LOCKED";
}

bool parseInt(const std::string &text, long long min, long long max, long long &out)
{
    char *end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || v < min || v > max)
        return false;
    out = v;
    return true;
}

std::string defaultDataFolder()
{
    if (const char *env = std::getenv("KORVEX_SERVICE_DATA"); env && *env)
        return env;
    if (const char *xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::string(xdg) + "/korvex-service";
    const char *home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.local/share/korvex-service";
}
} // namespace

std::string ServiceCli::usage()
{
    return "Usage: korvex-service [--data DIR] COMMAND [OPTIONS]\n"
           "\n"
           "The local reference service of Korvex Sync. DIR holds all its state\n"
           "(default: $KORVEX_SERVICE_DATA, else $XDG_DATA_HOME/korvex-service).\n"
           "\n"
           "Commands:\n"
           "  serve [--port N] [--host ADDR] [--http] [--session-idle SECONDS] [--threads N]\n"
           "        [--version-compatible V] [--version-latest V] [--verbose]\n"
           "      Serve HTTPS on 127.0.0.1:8443 (port 0 picks a free port). Prints the CA\n"
           "      file, the admin token and \"listening on https://HOST:PORT\" when ready.\n"
           "  add-user NAME [--2fa METHOD[=STATE]]... [--mobile NUMBER] [--state STATE]\n"
           "        [--passwords-max N] [--salt HEX]\n"
           "      The password comes from the environment variable KORVEX_PASSWORD.\n"
           "      METHOD: SMS, MTAN, PHOTOTAN, ITAN; STATE: active (default), inactive,\n"
           "      initial, temporarily.locked, permanently.locked, unknown.\n"
           "      Account STATE: ACTIVE (default), EXPIRED, INHERITANCE_EXECUTED, LOCKED.\n"
           "  set-user NAME [--state STATE] [--2fa METHOD[=STATE]]...\n"
           "  add-safe USER NAME [--type PRIVATE|TEAMSAFE|INBOX|MAIL_IN] [--access LETTERS]\n"
           "        [--quota BYTES] [--trash yes|no] [--role 1-4] [--expiry YYYY-MM-DD[THH:MM:SSZ]]\n"
           "      Prints the new safe's id. LETTERS from c (create), r (read), u (update), d (delete).\n"
           "  share-safe SAFE_ID USER [--access LETTERS] [--role 1-4]\n"
           "  import SAFE_ID FOLDER  copy a local folder's files and folders into the root of\n"
           "                       the safe (for demos and benchmarks; existing names are kept)\n"
           "  read-tan USER        the latest out-of-band message (TAN) as JSON\n"
           "  itans USER           the unused entries of the user's iTAN list\n"
           "  list-users\n"
           "  list-safes USER\n"
           "\n"
           "Options:\n"
           "  --data DIR           the data folder (see above)\n"
           "  -h, --help           show this help\n"
           "  --version            show the version\n";
}

bool ServiceCli::option(const std::string &name, std::string &value)
{
    for (size_t i = 0; i < m_args.size(); ++i) {
        if (m_args[i] == name && i + 1 < m_args.size()) {
            value = m_args[i + 1];
            m_args.erase(m_args.begin() + static_cast<long>(i), m_args.begin() + static_cast<long>(i) + 2);
            return true;
        }
        if (m_args[i].rfind(name + "=", 0) == 0) {
            value = m_args[i].substr(name.size() + 1);
            m_args.erase(m_args.begin() + static_cast<long>(i));
            return true;
        }
    }
    return false;
}

bool ServiceCli::flag(const std::string &name)
{
    for (size_t i = 0; i < m_args.size(); ++i) {
        if (m_args[i] == name) {
            m_args.erase(m_args.begin() + static_cast<long>(i));
            return true;
        }
    }
    return false;
}

std::vector<std::string> ServiceCli::options(const std::string &name)
{
    std::vector<std::string> values;
    std::string v;
    while (option(name, v))
        values.push_back(v);
    return values;
}

bool ServiceCli::positional(size_t count, std::vector<std::string> &out)
{
    for (const auto &a : m_args) {
        if (a.rfind("--", 0) == 0) {
            usageError("unknown option " + a);
            return false;
        }
    }
    if (m_args.size() != count) {
        usageError("expected " + std::to_string(count) + " argument(s)");
        return false;
    }
    out = m_args;
    return true;
}

int ServiceCli::usageError(const std::string &message)
{
    std::fprintf(stderr, "korvex-service: %s\n\n%s", message.c_str(), usage().c_str());
    return 2;
}

int ServiceCli::failure(const std::string &message)
{
    std::fprintf(stderr, "korvex-service: %s\n", message.c_str());
    return 1;
}

std::unique_ptr<ServiceData> ServiceCli::openData()
{
    std::string error;
    auto data = ServiceData::open(m_dataFolder, error);
    if (!data)
        failure(error);
    return data;
}

std::optional<AccountStore::User> ServiceCli::findUser(ServiceData &data, const std::string &name)
{
    auto user = data.accounts().findUser(normalUserName(name).value_or(""));
    if (!user)
        failure("no user " + name);
    return user;
}

int ServiceCli::run()
{
    if (flag("--help") || flag("-h") || m_args.empty()) {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    if (flag("--version")) {
        std::printf("korvex-service %s\n", KORVEX_VERSION);
        return 0;
    }
    if (!option("--data", m_dataFolder))
        m_dataFolder = defaultDataFolder();
    if (m_args.empty())
        return usageError("no command");
    const std::string command = m_args.front();
    m_args.erase(m_args.begin());
    if (command == "serve")
        return serve();
    if (command == "add-user")
        return addUser();
    if (command == "set-user")
        return setUser();
    if (command == "add-safe")
        return addSafe();
    if (command == "import")
        return importFolder();
    if (command == "share-safe")
        return shareSafe();
    if (command == "read-tan")
        return readTan();
    if (command == "itans")
        return listItans();
    if (command == "list-users")
        return listUsers();
    if (command == "list-safes")
        return listSafes();
    return usageError("unknown command " + command);
}

int ServiceCli::serve()
{
    ServiceServer::Config config;
    std::string value;
    long long number = 0;
    if (option("--port", value)) {
        if (!parseInt(value, 0, 65535, number))
            return usageError("--port needs a number from 0 to 65535");
        config.port = static_cast<int>(number);
    }
    if (option("--host", value))
        config.host = value;
    if (option("--session-idle", value)) {
        if (!parseInt(value, 1, 365LL * 24 * 3600, number))
            return usageError("--session-idle needs a number of seconds");
        config.idleSeconds = static_cast<int>(number);
    }
    if (option("--threads", value)) {
        if (!parseInt(value, 2, 1024, number))
            return usageError("--threads needs a number from 2 to 1024");
        config.threads = static_cast<int>(number);
    }
    option("--version-compatible", config.versionCompatible);
    option("--version-latest", config.versionLatest);
    config.http = flag("--http");
    const bool verbose = flag("--verbose");
    std::vector<std::string> rest;
    if (!positional(0, rest))
        return 2;

    const auto data = openData();
    if (!data)
        return 1;
    ServiceLog::install(data->logPath(), verbose);

    // SIGINT and SIGTERM end the service cleanly; a thread waits for them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    ServiceServer server(*data, config);
    AuthHandlers auth(server);
    FileHandlers files(server);
    PasswordHandlers passwords(server);
    AdminHandlers admin(server);
    std::string error;
    if (!server.start(error))
        return failure(error);

    std::thread waiter([&server, stopSignals] {
        int received = 0;
        sigwait(&stopSignals, &received);
        qInfo("ServiceCli::serve: signal %d, stopping", received);
        server.stop();
    });
    server.run();
    // Wake the waiter when the server stopped for another reason.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    qInfo("ServiceCli::serve: stopped");
    return 0;
}

int ServiceCli::addUser()
{
    AccountStore::User user;
    std::vector<AccountStore::Method> methods;
    for (const std::string &spec : options("--2fa")) {
        const size_t eq = spec.find('=');
        AccountStore::Method m;
        m.name = TwoFactor::canonicalMethod(spec.substr(0, eq));
        m.state = eq == std::string::npos ? "active" : spec.substr(eq + 1);
        if (m.name.empty() || !TwoFactor::isState(m.state))
            return usageError("--2fa needs METHOD[=STATE], for example SMS or ITAN=inactive");
        methods.push_back(m);
    }
    std::string value;
    long long number = 0;
    if (option("--state", value)) {
        if (!isAccountState(value))
            return usageError("--state needs ACTIVE, EXPIRED, INHERITANCE_EXECUTED or LOCKED");
        user.state = value;
    }
    if (option("--passwords-max", value)) {
        if (!parseInt(value, 0, 1000000, number))
            return usageError("--passwords-max needs a number");
        user.passwordsMax = static_cast<int>(number);
    }
    user.mobile = "+49 170 1234567";
    option("--mobile", user.mobile);
    std::string saltHex;
    const bool fixedSalt = option("--salt", saltHex);
    std::vector<std::string> args;
    if (!positional(1, args))
        return 2;
    const auto name = normalUserName(args[0]);
    if (!name)
        return usageError("the user name must be 1 to 100 characters without blanks");
    const char *password = std::getenv("KORVEX_PASSWORD");
    if (!password || !*password)
        return failure("set the password in the environment variable KORVEX_PASSWORD");

    if (fixedSalt) {
        const auto salt = Srp::bytesFromHexNumber(saltHex);
        if (!salt || salt->empty())
            return usageError("--salt needs hexadecimal digits of a non-zero number");
        user.salt = *salt;
    } else {
        std::string salt = Random::bytes(16);
        salt[0] = static_cast<char>(salt[0] | 0x01);
        user.salt = salt;
    }
    user.name = *name;
    user.verifier = Srp::verifier(user.name, password, user.salt);
    user.keyCheck500 = keyCheck(password, user.salt, 500);
    user.keyCheck15000 = keyCheck(password, user.salt, 15000);

    const auto data = openData();
    if (!data)
        return 1;
    const auto added = data->accounts().addUser(user, methods);
    if (!added.ok())
        return failure("cannot add user " + user.name + ": " + added.message);
    for (const auto &m : methods) {
        if (m.name == "ITAN") {
            std::vector<std::string> codes;
            for (int i = 0; i < 100; ++i)
                codes.push_back(TwoFactor::newCode());
            data->accounts().addItans(*added.value, codes);
        }
    }
    std::printf("%s\n", user.name.c_str());
    return 0;
}

int ServiceCli::setUser()
{
    std::vector<AccountStore::Method> methods;
    for (const std::string &spec : options("--2fa")) {
        const size_t eq = spec.find('=');
        AccountStore::Method m{TwoFactor::canonicalMethod(spec.substr(0, eq)),
                               eq == std::string::npos ? "active" : spec.substr(eq + 1)};
        if (m.name.empty() || !TwoFactor::isState(m.state))
            return usageError("--2fa needs METHOD[=STATE]");
        methods.push_back(m);
    }
    std::string state;
    const bool newState = option("--state", state);
    if (newState && !isAccountState(state))
        return usageError("--state needs ACTIVE, EXPIRED, INHERITANCE_EXECUTED or LOCKED");
    std::vector<std::string> args;
    if (!positional(1, args))
        return 2;
    const auto data = openData();
    const auto user = data ? findUser(*data, args[0]) : std::nullopt;
    if (!user)
        return 1;
    if (newState)
        data->accounts().setState(user->id, state);
    for (const auto &m : methods)
        data->accounts().setMethod(user->id, m);
    return 0;
}

int ServiceCli::addSafe()
{
    SafeStore::NewSafe safe;
    std::string value;
    long long number = 0;
    if (option("--type", value)) {
        if (value != "PRIVATE" && value != "TEAMSAFE" && value != "INBOX" && value != "MAIL_IN")
            return usageError("--type needs PRIVATE, TEAMSAFE, INBOX or MAIL_IN");
        safe.type = value;
    }
    if (option("--access", value)) {
        if (value.find_first_not_of("crud") != std::string::npos)
            return usageError("--access takes letters from c, r, u and d");
        safe.access = value;
    }
    if (option("--quota", value)) {
        if (!parseInt(value, 0, 1LL << 60, number))
            return usageError("--quota needs a number of bytes");
        safe.quota = number;
    }
    if (option("--trash", value)) {
        if (value != "yes" && value != "no")
            return usageError("--trash needs yes or no");
        safe.hasTrash = value == "yes";
    }
    if (option("--role", value)) {
        if (!parseInt(value, 1, 4, number))
            return usageError("--role needs 1 (Administrator) to 4 (Viewer)");
        safe.role = static_cast<int>(number);
    }
    if (option("--expiry", value)) {
        const auto when = WireFormat::parseIsoTime(value);
        if (!when)
            return usageError("--expiry needs YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ");
        safe.expiry = WireFormat::isoTime(*when);
    }
    std::vector<std::string> args;
    if (!positional(2, args))
        return 2;
    std::string why;
    if (!WireFormat::isValidUtf8(args[1]) || args[1].empty() || args[1].size() > 255)
        return usageError("the safe name must be 1 to 255 bytes of UTF-8");
    safe.name = args[1];
    const auto data = openData();
    const auto user = data ? findUser(*data, args[0]) : std::nullopt;
    if (!user)
        return 1;
    const auto added = data->safes().addSafe(user->id, safe);
    if (!added.ok())
        return failure("cannot add the safe: " + added.message);
    std::printf("%lld\n", static_cast<long long>(*added.value));
    return 0;
}

int ServiceCli::shareSafe()
{
    std::string access = "crud";
    std::string value;
    long long role = 2;
    option("--access", access);
    if (access.find_first_not_of("crud") != std::string::npos)
        return usageError("--access takes letters from c, r, u and d");
    if (option("--role", value) && !parseInt(value, 1, 4, role))
        return usageError("--role needs 1 to 4");
    std::vector<std::string> args;
    if (!positional(2, args))
        return 2;
    const auto safeId = WireFormat::parseId(args[0]);
    if (!safeId)
        return usageError("SAFE_ID must be a number");
    const auto data = openData();
    const auto user = data ? findUser(*data, args[1]) : std::nullopt;
    if (!user)
        return 1;
    if (!data->safes().share(*safeId, user->id, access, static_cast<int>(role)))
        return failure("no safe " + args[0]);
    return 0;
}

int ServiceCli::importFolder()
{
    std::vector<std::string> args;
    if (!positional(2, args))
        return 2;
    const auto safeId = WireFormat::parseId(args[0]);
    if (!safeId)
        return usageError("SAFE_ID must be a number");
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path root = fs::absolute(args[1], ec);
    if (ec || !fs::is_directory(root, ec))
        return failure("no folder " + args[1]);
    const auto data = openData();
    if (!data)
        return 1;
    long folders = 0, files = 0;
    std::vector<std::string> obsolete;
    // Folders come before what they hold in a recursive walk.
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        if (it->is_symlink()) {
            it.disable_recursion_pending();
            continue;
        }
        const fs::path relative = fs::relative(it->path(), root, ec);
        std::string parent = "/" + relative.parent_path().generic_string();
        if (parent == "/.")
            parent = "/";
        const std::string name = relative.filename().string();
        std::string why;
        if (!WireFormat::isValidName(name, why)) {
            std::fprintf(stderr, "korvex-service: skipped %s: %s\n", relative.c_str(), why.c_str());
            continue;
        }
        if (it->is_directory()) {
            if (!data->safes().createFolder(*safeId, parent, name).ok())
                return failure("cannot create the folder " + relative.generic_string());
            ++folders;
            continue;
        }
        if (!it->is_regular_file())
            continue;
        SafeStore::Upload up;
        up.safeId = *safeId;
        up.folder = parent;
        up.name = name;
        up.blob = data->newBlobId();
        DigestCalculator digest(DigestCalculator::sha256());
        std::ifstream in(it->path(), std::ios::binary);
        std::ofstream out(data->blobPath(up.blob), std::ios::binary);
        std::vector<char> buffer(1 << 16);
        while (in) {
            in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            const std::streamsize n = in.gcount();
            if (n <= 0)
                break;
            out.write(buffer.data(), n);
            digest.addData(QByteArray(buffer.data(), static_cast<int>(n)));
            up.size += n;
        }
        out.close();
        if (!out) {
            fs::remove(data->blobPath(up.blob), ec);
            return failure("cannot store " + relative.generic_string());
        }
        const QByteArray sum = digest.finalBytes();
        up.checksum = WireFormat::checksumText(sum);
        if (!data->safes().commitUpload(up, obsolete).ok()) {
            fs::remove(data->blobPath(up.blob), ec);
            std::fprintf(stderr, "korvex-service: kept the existing %s\n", relative.c_str());
            continue;
        }
        ++files;
    }
    data->removeBlobs(obsolete);
    std::printf("%ld folders, %ld files\n", folders, files);
    return 0;
}

int ServiceCli::readTan()
{
    std::vector<std::string> args;
    if (!positional(1, args))
        return 2;
    const auto data = openData();
    if (!data)
        return 1;
    const auto message = TwoFactor::latest(*data, normalUserName(args[0]).value_or(""));
    if (!message)
        return failure("no out-of-band message for " + args[0]);
    std::printf("%s\n", message->c_str());
    return 0;
}

int ServiceCli::listItans()
{
    std::vector<std::string> args;
    if (!positional(1, args))
        return 2;
    const auto data = openData();
    const auto user = data ? findUser(*data, args[0]) : std::nullopt;
    if (!user)
        return 1;
    for (const auto &entry : data->accounts().itans(user->id))
        std::printf("%03d %s\n", entry.first, entry.second.c_str());
    return 0;
}

int ServiceCli::listUsers()
{
    std::vector<std::string> args;
    if (!positional(0, args))
        return 2;
    const auto data = openData();
    if (!data)
        return 1;
    for (const auto &user : data->accounts().users()) {
        std::string methods;
        for (const auto &m : data->accounts().methods(user.id))
            methods += " " + m.name + "=" + m.state;
        std::printf("%s %s%s\n", user.name.c_str(), user.state.c_str(), methods.c_str());
    }
    return 0;
}

int ServiceCli::listSafes()
{
    std::vector<std::string> args;
    if (!positional(1, args))
        return 2;
    const auto data = openData();
    const auto user = data ? findUser(*data, args[0]) : std::nullopt;
    if (!user)
        return 1;
    for (const auto &s : data->safes().safesOf(user->id))
        std::printf("%lld %s %s %s used %lld of %lld\n", static_cast<long long>(s.id), s.type.c_str(),
                    s.access.c_str(), s.name.c_str(), static_cast<long long>(s.used), static_cast<long long>(s.quota));
    return 0;
}

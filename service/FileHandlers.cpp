#include "FileHandlers.h"

#include "JsonWriter.h"
#include "Random.h"
#include "ServiceData.h"
#include "ServiceServer.h"
#include "WireFormat.h"
#include "sync/CipherCalculator.h"
#include "sync/Crypto.h"
#include "sync/DigestCalculator.h"

#include <httplib.h>

#include <QtGlobal>


#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

using WireFormat::qbytes;

namespace {
constexpr size_t kChunk = 256 * 1024;

// A header that travels percent-encoded. The HTTP library has decoded it
// already (once, as it does every header value), so the text is checked as it
// is: valid UTF-8 and no NUL. The value is read from the header map itself,
// whose accessor would stop at a NUL and let "a%00b" pass as "a".
Outcome<std::string> textHeader(Call &call, const char *name, bool required)
{
    const auto it = call.req.headers.find(name);
    if (it == call.req.headers.end()) {
        if (required)
            return Outcome<std::string>::failure(ServiceStatus::BadRequest, std::string("missing header ") + name);
        return Outcome<std::string>::success(std::string());
    }
    const std::string &value = it->second;
    if (value.find('\0') != std::string::npos)
        return Outcome<std::string>::failure(ServiceStatus::BadRequest, std::string(name) + " contains a NUL character");
    if (!WireFormat::isValidUtf8(value))
        return Outcome<std::string>::failure(ServiceStatus::BadRequest, std::string(name) + " is not valid UTF-8 text");
    return Outcome<std::string>::success(value);
}

// A temporary upload file that removes itself unless it was kept.
struct TempFile
{
    std::string path;
    FILE *file = nullptr;
    ~TempFile()
    {
        if (file)
            std::fclose(file);
        if (!path.empty())
            ::unlink(path.c_str());
    }
};

} // namespace

FileHandlers::FileHandlers(ServiceServer &server) : m_server(server)
{
    using S = ServiceServer;
    auto bind = [this](void (FileHandlers::*method)(Call &)) { return [this, method](Call &c) { (this->*method)(c); }; };
    for (const std::string base : {"/rest/loggedin/3/filesafe/", "/api/sync/1/files/"}) {
        server.route("GET", base + "info", S::Auth::LoggedIn, S::Body::None, bind(&FileHandlers::safes));
        server.route("GET", base + "info/{}", S::Auth::LoggedIn, S::Body::None, bind(&FileHandlers::objects));
        server.route("GET", base + "file/{}", S::Auth::LoggedIn, S::Body::None, bind(&FileHandlers::download));
        server.route("POST", base + "file", S::Auth::LoggedIn, S::Body::Stream, bind(&FileHandlers::upload));
        server.route("POST", base + "file/{}", S::Auth::LoggedIn, S::Body::Stream, bind(&FileHandlers::upload));
        server.route("POST", base + "folder", S::Auth::LoggedIn, S::Body::None, bind(&FileHandlers::createFolder));
        server.route("DELETE", base + "file/{}", S::Auth::LoggedIn, S::Body::None, bind(&FileHandlers::removeFile));
        server.route("DELETE", base + "folder/{}", S::Auth::LoggedIn, S::Body::None,
                     bind(&FileHandlers::removeFolder));
    }
}

void FileHandlers::writeObject(JsonWriter &w, const SafeStore::Listed &o, const std::string &access)
{
    w.beginObject()
        .member("object_id", std::to_string(o.id))
        .member("path", o.path)
        .member("size", o.size)
        .member("mtime", WireFormat::isoTime(o.mtime))
        .member("access", access)
        .member("type", o.type)
        .member("checksum", o.checksum)
        .endObject();
}

Outcome<SafeStore::Safe> FileHandlers::safeFor(Call &call, std::int64_t safeId, char letter, bool change)
{
    const auto safe = m_server.data().safes().safeOf(call.session->userId, safeId);
    if (!safe)
        return Outcome<SafeStore::Safe>::failure(ServiceStatus::ObjectNotFound, "file safe not found");
    if (letter && safe->access.find(letter) == std::string::npos)
        return Outcome<SafeStore::Safe>::failure(ServiceStatus::Forbidden,
                                                 std::string("access denied: the file safe does not allow '") + letter
                                                     + "'");
    if (change && !safe->expiry.empty()) {
        const auto expiry = WireFormat::parseIsoTime(safe->expiry);
        if (expiry && *expiry < WireFormat::nowMs())
            return Outcome<SafeStore::Safe>::failure(ServiceStatus::Forbidden,
                                                     "the file safe expired on " + safe->expiry);
    }
    return Outcome<SafeStore::Safe>::success(*safe);
}

void FileHandlers::safes(Call &call)
{
    JsonWriter w;
    w.beginObject().key("filesafes").beginArray();
    for (const auto &s : m_server.data().safes().safesOf(call.session->userId)) {
        w.beginObject()
            .member("safe_id", std::to_string(s.id))
            .member("safe_type", s.type)
            .member("safe_name", s.name)
            .member("access", s.access)
            .member("storage_quota", s.quota)
            .member("storage_used", s.used)
            .member("expiry_date", s.expiry)
            .member("has_trash", s.hasTrash)
            .member("root_folder_id", std::to_string(s.rootId))
            .member("role_type", s.role)
            .member("last_event", std::to_string(s.lastEvent))
            .member("last_mod", WireFormat::isoTime(s.lastMod))
            .endObject();
    }
    w.endArray().endObject();
    call.ok(w.text());
}

void FileHandlers::objects(Call &call)
{
    const auto safeId = WireFormat::parseId(call.params[0]);
    const auto safe = safeId ? safeFor(call, *safeId, 0, false)
                             : Outcome<SafeStore::Safe>::failure(ServiceStatus::ObjectNotFound, "file safe not found");
    if (!safe.ok()) {
        call.fail(safe);
        return;
    }
    int depth = 0;
    if (call.hasQuery("depth")) {
        const auto parsed = WireFormat::parseId(call.query("depth"));
        if (!parsed || *parsed > 1000000) {
            call.fail(ServiceStatus::BadRequest, "\"depth\" must be a number from 0 (whole subtree)");
            return;
        }
        depth = static_cast<int>(*parsed);
    }
    char type = 0;
    const std::string typeText = call.query("type");
    if (typeText == "d" || typeText == "f")
        type = typeText[0];
    else if (!typeText.empty() && typeText != "any") {
        call.fail(ServiceStatus::BadRequest, "\"type\" must be d, f or any");
        return;
    }
    const auto rawPath = textHeader(call, "X-Object-Path", false);
    if (!rawPath.ok()) {
        call.fail(rawPath);
        return;
    }
    std::string why;
    const auto folder = WireFormat::normalizeFolderPath(*rawPath.value, why);
    if (!folder) {
        call.fail(ServiceStatus::BadRequest, "invalid X-Object-Path: " + why);
        return;
    }
    const std::int64_t started = WireFormat::nowMs();
    int count = 0;
    JsonWriter w;
    w.reserve(1 << 16);
    w.beginObject().key("filesafe_objects").beginArray();
    const std::string &access = safe.value->access;
    const auto listed = m_server.data().safes().list(*safeId, *folder, depth, type, [&](const SafeStore::Listed &o) {
        writeObject(w, o, access);
        ++count;
    });
    if (!listed.ok()) {
        call.fail(listed);
        return;
    }
    w.endArray().endObject();
    call.ok(w.take());
    qInfo("FileHandlers::objects: %d objects of safe %lld in %lld ms", count, static_cast<long long>(*safeId),
          static_cast<long long>(WireFormat::nowMs() - started));
}

void FileHandlers::download(Call &call)
{
    ServiceData &data = m_server.data();
    const auto id = WireFormat::parseId(call.params[0]);
    const auto object = id ? data.safes().object(*id) : std::nullopt;
    if (!object || object->trashed || !data.safes().safeOf(call.session->userId, object->safeId)) {
        call.fail(ServiceStatus::ObjectNotFound, "file not found", 404);
        return;
    }
    const auto safe = safeFor(call, object->safeId, 'r', false);
    if (!safe.ok()) {
        call.fail(safe.status, safe.message, 403);
        return;
    }
    if (object->type != "f") {
        call.fail(ServiceStatus::BadRequest, "the object is a folder", 400);
        return;
    }
    FILE *file = std::fopen(data.blobPath(object->blob).c_str(), "rb");
    if (!file) {
        qWarning("FileHandlers::download: content of object %lld is missing", static_cast<long long>(object->id));
        call.fail(ServiceStatus::Internal, "the file content is missing", 500);
        return;
    }
    struct State
    {
        FILE *file;
        CipherCalculator cipher;
        size_t produced = 0;
        bool finished = false;
        std::unique_ptr<char[]> buffer{new char[kChunk]};
    };
    auto state = std::make_shared<State>();
    state->file = file;
    const QByteArray iv = randomBytes(16);
    if (!state->cipher.initEncrypt(CipherCalculator::aes256Cbc(), qbytes(call.session->key), iv)) {
        std::fclose(file);
        call.fail(ServiceStatus::Internal, "cannot start the transport encryption", 500);
        return;
    }
    const size_t length = static_cast<size_t>(object->size / 16 + 1) * 16;
    call.res.set_header("X-Transport-Iv", WireFormat::toHex(std::string(iv.constData(), 16)));
    call.res.set_content_provider(
        length, "application/octet-stream",
        [state, length](size_t offset, size_t, httplib::DataSink &sink) {
            // CBC runs forward only: the library asks for the bytes in order.
            if (offset != state->produced || state->finished)
                return false;
            const size_t n = std::fread(state->buffer.get(), 1, kChunk, state->file);
            if (n > 0 && !state->cipher.updateEncrypt(state->buffer.get(), static_cast<int>(n)))
                return false;
            if (n < kChunk) {
                if (std::ferror(state->file) || !state->cipher.finalEncrypt())
                    return false;
                state->finished = true;
            }
            const QByteArray out = state->cipher.takeResult();
            state->produced += static_cast<size_t>(out.size());
            if (state->finished && state->produced != length)
                return false; // the content changed size under us
            return out.isEmpty() || sink.write(out.constData(), static_cast<size_t>(out.size()));
        },
        [state](bool) { std::fclose(state->file); });
}

Outcome<FileHandlers::Destination> FileHandlers::destination(Call &call)
{
    const auto raw = textHeader(call, "X-Destination", true);
    if (!raw.ok())
        return Outcome<Destination>::from(raw);
    const std::string &text = *raw.value;
    if (const auto folderId = WireFormat::parseId(text)) {
        const auto folder = m_server.data().safes().object(*folderId);
        if (!folder || folder->trashed || folder->type != "d"
            || !m_server.data().safes().safeOf(call.session->userId, folder->safeId))
            return Outcome<Destination>::failure(ServiceStatus::DestinationNotFound, "destination folder not found");
        return Outcome<Destination>::success({folder->safeId, folder->path});
    }
    const size_t slash = text.find('/');
    const auto safeId = WireFormat::parseId(text.substr(0, slash));
    if (!safeId || !m_server.data().safes().safeOf(call.session->userId, *safeId))
        return Outcome<Destination>::failure(ServiceStatus::NoModule, "destination file safe not found");
    std::string why;
    const auto folder = WireFormat::normalizeFolderPath(slash == std::string::npos ? "/" : text.substr(slash), why);
    if (!folder)
        return Outcome<Destination>::failure(ServiceStatus::BadRequest, "invalid X-Destination: " + why);
    return Outcome<Destination>::success({*safeId, *folder});
}

void FileHandlers::upload(Call &call)
{
    ServiceData &data = m_server.data();
    const bool newVersion = !call.params.empty();
    SafeStore::Upload up;
    std::int64_t oldSize = 0;

    // Everything about the request is checked before a byte is stored.
    const auto ivHex = call.header("X-Transport-Iv");
    const auto iv = ivHex.size() == 32 ? WireFormat::fromHex(ivHex) : std::nullopt;
    if (!iv) {
        call.fail(ServiceStatus::BadRequest, "X-Transport-Iv must be 32 hexadecimal digits");
        return;
    }
    const auto name = textHeader(call, "X-Filename", !newVersion);
    if (!name.ok()) {
        call.fail(name);
        return;
    }
    std::string why;
    if (!newVersion && !WireFormat::isValidName(*name.value, why)) {
        call.fail(ServiceStatus::BadRequest, "invalid X-Filename: " + why);
        return;
    }
    if (newVersion) {
        const auto id = WireFormat::parseId(call.params[0]);
        const auto object = id ? data.safes().object(*id) : std::nullopt;
        if (!object || object->trashed || object->type != "f"
            || !data.safes().safeOf(call.session->userId, object->safeId)) {
            call.fail(ServiceStatus::ObjectNotFound, "file not found");
            return;
        }
        if (call.req.has_header("X-Destination")) {
            const auto dest = destination(call);
            if (dest.status == ServiceStatus::BadRequest) {
                call.fail(dest);
                return;
            }
        }
        up.objectId = object->id;
        up.safeId = object->safeId;
        oldSize = object->size;
    } else {
        const auto dest = destination(call);
        if (!dest.ok()) {
            call.fail(dest);
            return;
        }
        up.safeId = dest.value->safeId;
        up.folder = dest.value->folder;
        up.name = *name.value;
    }
    const auto safe = safeFor(call, up.safeId, newVersion ? 'u' : 'c', true);
    if (!safe.ok()) {
        call.fail(safe);
        return;
    }
    const std::int64_t room = safe.value->quota - safe.value->used + oldSize;
    if (call.req.has_header("Content-Length")) {
        const std::int64_t length = std::strtoll(call.header("Content-Length").c_str(), nullptr, 10);
        if (length < 16 || length % 16 != 0) {
            call.fail(ServiceStatus::BadRequest,
                      "the body is not AES-256-CBC ciphertext (" + std::to_string(length) + " bytes)");
            return;
        }
        if (length - 16 > room) {
            call.fail(ServiceStatus::QuotaExceeded, "storage quota exceeded");
            return;
        }
    }
    if (!call.reader) {
        call.fail(ServiceStatus::BadRequest, "the body is empty");
        return;
    }

    // Decrypt while the body streams in, into a temporary file beside the blobs.
    TempFile temp;
    temp.path = data.tempFolder() + "/" + Random::hex(16) + ".part";
    temp.file = std::fopen(temp.path.c_str(), "wb");
    CipherCalculator cipher;
    DigestCalculator digest(DigestCalculator::sha256());
    if (!temp.file || !cipher.initDecrypt(CipherCalculator::aes256Cbc(), qbytes(call.session->key), qbytes(*iv))) {
        call.fail(ServiceStatus::Internal, "cannot store the upload");
        return;
    }
    std::setvbuf(temp.file, nullptr, _IOFBF, 1 << 20);
    std::int64_t written = 0;
    std::int64_t received = 0;
    bool quotaExceeded = false;
    bool failed = false;
    auto store = [&](const QByteArray &plain) {
        if (plain.isEmpty() || failed || quotaExceeded)
            return;
        written += plain.size();
        if (written > room) {
            quotaExceeded = true;
            return;
        }
        digest.addData(plain);
        if (std::fwrite(plain.constData(), 1, static_cast<size_t>(plain.size()), temp.file)
            != static_cast<size_t>(plain.size()))
            failed = true;
    };
    // The library hands the body over in small pieces; cipher and digest run
    // on larger batches.
    std::string batch;
    batch.reserve(kChunk);
    auto decryptBatch = [&] {
        if (!batch.empty() && !failed && !quotaExceeded) {
            if (!cipher.updateDecrypt(batch.data(), static_cast<int>(batch.size())))
                failed = true;
            else
                store(cipher.takeResult());
        }
        batch.clear();
    };
    const httplib::ContentReader *reader = call.reader;
    call.reader = nullptr;
    (*reader)([&](const char *bytes, size_t length) {
        received += static_cast<std::int64_t>(length);
        if (failed || quotaExceeded)
            return true; // read on and drop, so the reply reaches the client
        batch.append(bytes, length);
        if (batch.size() >= kChunk)
            decryptBatch();
        return true;
    });
    decryptBatch();
    if (quotaExceeded) {
        call.fail(ServiceStatus::QuotaExceeded, "storage quota exceeded");
        return;
    }
    if (failed) {
        call.fail(ServiceStatus::Internal, "cannot store the upload");
        return;
    }
    if (received % 16 != 0 || received == 0 || !cipher.finalDecrypt()) {
        call.fail(ServiceStatus::BadRequest,
                  "the body is not valid ciphertext under the session key (bad padding or truncated)");
        return;
    }
    store(cipher.takeResult());
    if (quotaExceeded || failed || std::fflush(temp.file) != 0) {
        call.fail(quotaExceeded ? ServiceStatus::QuotaExceeded : ServiceStatus::Internal,
                  quotaExceeded ? "storage quota exceeded" : "cannot store the upload");
        return;
    }
    std::fclose(temp.file);
    temp.file = nullptr;

    const QByteArray sum = digest.finalBytes();
    up.size = written;
    up.checksum = WireFormat::checksumText(sum);
    up.blob = data.newBlobId();
    const std::string blobPath = data.blobPath(up.blob);
    if (std::rename(temp.path.c_str(), blobPath.c_str()) != 0) {
        call.fail(ServiceStatus::Internal, "cannot store the upload");
        return;
    }
    temp.path.clear();
    std::vector<std::string> obsolete;
    const auto stored = data.safes().commitUpload(up, obsolete);
    if (!stored.ok()) {
        ::unlink(blobPath.c_str());
        call.fail(stored);
        return;
    }
    data.removeBlobs(obsolete);
    qInfo("FileHandlers::upload: object %lld, %lld bytes, in safe %lld", static_cast<long long>(stored.value->id),
          static_cast<long long>(up.size), static_cast<long long>(up.safeId));
    JsonWriter w;
    w.beginObject().key("filesafe_objects").beginArray();
    writeObject(w, SafeStore::listed(*stored.value), safe.value->access);
    w.endArray().endObject();
    call.ok(w.text());
}

void FileHandlers::createFolder(Call &call)
{
    const auto name = textHeader(call, "X-Foldername", true);
    if (!name.ok()) {
        call.fail(name);
        return;
    }
    std::string why;
    if (!WireFormat::isValidName(*name.value, why)) {
        call.fail(ServiceStatus::BadRequest, "invalid X-Foldername: " + why);
        return;
    }
    const auto dest = destination(call);
    if (!dest.ok()) {
        call.fail(dest);
        return;
    }
    const auto safe = safeFor(call, dest.value->safeId, 'c', true);
    if (!safe.ok()) {
        call.fail(safe);
        return;
    }
    const auto folder = m_server.data().safes().createFolder(dest.value->safeId, dest.value->folder, *name.value);
    if (!folder.ok()) {
        call.fail(folder);
        return;
    }
    JsonWriter w;
    w.beginObject().key("filesafe_objects").beginArray();
    writeObject(w, SafeStore::listed(*folder.value), safe.value->access);
    w.endArray().endObject();
    call.ok(w.text());
}

void FileHandlers::removeFile(Call &call)
{
    remove(call, false);
}

void FileHandlers::removeFolder(Call &call)
{
    remove(call, true);
}

void FileHandlers::remove(Call &call, bool folder)
{
    ServiceData &data = m_server.data();
    const std::string mode = call.hasQuery("mode") ? call.query("mode") : std::string("trash");
    if (mode != "trash" && mode != "trashToPrivate") {
        call.fail(ServiceStatus::BadRequest, "\"mode\" must be trash or trashToPrivate");
        return;
    }
    const auto id = WireFormat::parseId(call.params[0]);
    const auto object = id ? data.safes().object(*id) : std::nullopt;
    if (!object || object->trashed || !data.safes().safeOf(call.session->userId, object->safeId)) {
        call.fail(ServiceStatus::ObjectNotFound, folder ? "folder not found" : "file not found");
        return;
    }
    if ((object->type == "d") != folder) {
        call.fail(ServiceStatus::BadRequest, folder ? "the object is a file" : "the object is a folder");
        return;
    }
    const auto safe = safeFor(call, object->safeId, 'd', true);
    if (!safe.ok()) {
        call.fail(safe);
        return;
    }
    std::vector<std::string> obsolete;
    const auto removed = data.safes().remove(call.session->userId, *object, mode == "trashToPrivate", obsolete);
    if (!removed.ok()) {
        call.fail(removed);
        return;
    }
    data.removeBlobs(obsolete);
    call.ok("{}");
}

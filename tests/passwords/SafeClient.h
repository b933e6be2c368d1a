#pragma once

#include "net/OndoSession.h"
#include "net/ServiceLogin.h"
#include "passwords/PasswordController.h"
#include "ri/PasswordRI.h"
#include "support/ServiceProcess.h"

#include <QTest>

#include <memory>
#include <optional>

// A logged-in session with the password API and controller over it, against
// the reference service over verified HTTPS.
struct SafeClient
{
    std::unique_ptr<OndoSession> session;
    std::unique_ptr<PasswordRI> api;
    std::unique_ptr<PasswordController> controller;

    // What went wrong, or an empty text.
    QString logIn(const ServiceProcess &service, const QString &user, const QString &password, int apiVersion = 3,
                  PasswordController::Clock clock = {})
    {
        SessionOptions options;
        options.apiVersion = apiVersion;
        options.caFile = service.caFile();
        session = std::make_unique<OndoSession>(options);
        session->setServer(ServerTO{"CUSTOM", "Custom", "CUSTOM", service.baseUrl(), true});
        api = std::make_unique<PasswordRI>(session.get());
        controller = std::make_unique<PasswordController>(api.get(), session.get(), nullptr, std::move(clock));
        return ::logIn(*session, user, password);
    }

    // Runs one asynchronous operation and waits for its outcome.
    template<typename T>
    static Result<T> wait(const std::function<void(Callback<T>)> &operation)
    {
        auto outcome = std::make_shared<std::optional<Result<T>>>();
        operation([outcome](const Result<T> &r) { *outcome = r; });
        if (!QTest::qWaitFor([&] { return outcome->has_value(); }, 20000))
            return Result<T>(ERR_INTERNAL, QStringLiteral("no outcome"));
        return **outcome;
    }

    Result<EmptyPasswordsTO> list()
    {
        return wait<EmptyPasswordsTO>([this](auto cb) { controller->getPasswords(cb); });
    }
    Result<EmptyPasswordTO> create(const QString &title, const QString &password, const QString &username = {},
                                   const QString &url = {}, const QString &comment = {})
    {
        const PasswordRecord record{QString(), title, username, url, comment, {}, {}};
        return wait<EmptyPasswordTO>([&](auto cb) { controller->createPassword(record, QString(password), cb); });
    }
    // The entry's secret as the service sends it, still under the session key.
    Result<SinglePasswordTO> secret(const QString &id)
    {
        return wait<SinglePasswordTO>([&](auto cb) { controller->getPassword(id, cb); });
    }
    // The entry's password as the controller decrypts it (nothing on failure).
    std::optional<QString> password(const QString &id)
    {
        const auto s = secret(id);
        return s.isOk() ? controller->decryptPassword(s.value) : std::nullopt;
    }
    Result<Nothing> remove(const QString &id)
    {
        return wait<Nothing>([&](auto cb) { controller->deletePassword(id, cb); });
    }
    // Deletes every entry; false when one could not be deleted.
    bool clear()
    {
        const auto all = list();
        bool ok = all.isOk();
        for (const EmptyPasswordTO &e : all.value.passwords)
            ok = remove(e.id).isOk() && ok;
        return ok;
    }
};

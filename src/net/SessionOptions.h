#pragma once

#include <QString>

#include <functional>

class ConfigurationManager;
class QNetworkAccessManager;
class QObject;

// What a session is built from. The application reads it from the built-in
// configuration and the user settings; tests fill it themselves.
struct SessionOptions
{
    // "brand/apiVersion": 1 selects the "/rest/..." paths, others "/api/sync/1/...".
    int apiVersion = 3;
    // The debug option "ui/dbg_dialog_ignore_ssl"; never needed otherwise.
    bool ignoreSslErrors = false;
    // "net/ca_file": a PEM file whose certificates are trusted in addition to
    // the platform's store (a private company CA, the reference service's CA).
    QString caFile;
    // Makes the session's network access managers; the default makes a plain
    // QNetworkAccessManager. A seam for routing through a test proxy.
    std::function<QNetworkAccessManager *(QObject *parent)> networkAccessManagerFactory;

    static SessionOptions fromSettings(const ConfigurationManager *config);
};

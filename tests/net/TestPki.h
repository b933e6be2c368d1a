#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

// A throw-away certificate authority for tests: a CA certificate and leaf
// certificates it signs, all generated in memory (EC P-256, SHA-256), PEM
// encoded. Nothing touches the system's trust store.
class TestPki
{
public:
    struct Leaf
    {
        QByteArray certificatePem;
        QByteArray keyPem;
        bool isNull() const { return certificatePem.isEmpty() || keyPem.isEmpty(); }
    };

    // A fresh CA named `commonName`; isNull() when generation failed.
    explicit TestPki(const QString &commonName = QStringLiteral("Korvex Test CA"));
    ~TestPki();

    bool isNull() const;
    QByteArray caPem() const;
    // A server certificate for the DNS names given, signed by this CA; empty
    // on failure.
    Leaf issue(const QStringList &dnsNames) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

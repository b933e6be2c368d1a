#pragma once

#include <QObject>
#include <QPointer>

class ISession;

// Common base of the remote interfaces: holds the session they send their
// requests through. Subclasses build Requests and hand them to
// session()->send<T>(request, this, callback), which skips the callback if
// the interface is gone by the time the reply arrives.
class GenericRI : public QObject
{
    Q_OBJECT
public:
    explicit GenericRI(ISession *session, QObject *parent = nullptr);
    ~GenericRI() override;

    ISession *session() const { return m_session; }
    // The generation of the service's paths (see ISession::apiVersion).
    int apiVersion() const;

private:
    QPointer<ISession> m_session;
};

#include "net/GenericRI.h"

#include "net/ISession.h"

GenericRI::GenericRI(ISession *session, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
}

GenericRI::~GenericRI() = default;

int GenericRI::apiVersion() const
{
    return m_session ? m_session->apiVersion() : 0;
}

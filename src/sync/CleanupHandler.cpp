#include "sync/CleanupHandler.h"

#include "sync/MultiSyncher.h"

#include <QCoreApplication>
#include <QEvent>

CleanupHandler::CleanupHandler(MultiSyncher *scheduler, QObject *parent)
    : QObject(parent)
    , m_scheduler(scheduler)
{
    connect(scheduler, &MultiSyncher::syncFinished, this, &CleanupHandler::quitRequested);
    connect(scheduler, &MultiSyncher::syncCanceled, this, &CleanupHandler::quitRequested);
}

bool CleanupHandler::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Close || watched != QCoreApplication::instance())
        return QObject::eventFilter(watched, event);
    if (!m_scheduler || !m_scheduler->isSyncing()) {
        emit runQuit();
        return false;
    }
    event->ignore();
    m_quitPending = true;
    emit tryQuit();
    return true;
}

void CleanupHandler::quitRequested()
{
    if (!m_quitPending)
        return;
    qDebug("Quit requested");
    emit runQuit();
}

void CleanupHandler::quitAborted()
{
    qDebug("Quit aborted");
    m_quitPending = false;
}

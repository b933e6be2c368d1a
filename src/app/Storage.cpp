#include "app/Storage.h"

void Storage::setKey(const QString &key, qint64 id)
{
    if (key == m_key && id == m_id)
        return;
    reloadMarked();
    m_key = key;
    m_id = id;
}

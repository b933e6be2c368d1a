#include "drive/KeychainException.h"

KeychainException::KeychainException(const QString &message)
    : std::runtime_error(message.toUtf8().toStdString())
{
}

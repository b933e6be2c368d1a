#include "ri/TwoFactorChooser.h"

#include <QBuffer>
#include <QImageReader>

namespace {
// A photoTAN is a few hundred pixels wide; a picture far beyond that is no
// photoTAN, and decoding it could take gigabytes (the compressed image of a
// plain area is tiny however large it claims to be).
const int MaxPhotoTanSide = 2048;
} // namespace

TwoFactorChooser::TwoFactorChooser(QObject *parent)
    : QObject(parent)
{
    // The brand's method table: labels, whether choosing requests the
    // challenge at once, and what a locked or inactive method says.
    m_entries = {
        {TwoFactorMethod::PhotoTan, tr("photoTAN"), true,
         tr("photoTAN is locked for a while after too many wrong TANs. Please try again later or choose another "
            "method."),
         tr("photoTAN is locked. Please contact the support to unlock it."),
         tr("photoTAN is not activated for your account.")},
        {TwoFactorMethod::Mtan, tr("mobileTAN"), false,
         tr("mobileTAN is locked for a while after too many wrong TANs. Please try again later or choose another "
            "method."),
         tr("mobileTAN is locked. Please contact the support to unlock it."),
         tr("mobileTAN is not activated for your account.")},
        {TwoFactorMethod::ITan, tr("iTAN"), true,
         tr("iTAN is locked for a while after too many wrong TANs. Please try again later or choose another method."),
         tr("iTAN is locked. Please contact the support to unlock it."),
         tr("iTAN is not activated for your account.")},
    };
}

int TwoFactorChooser::indexOf(TwoFactorMethod method) const
{
    for (int i = 0; i < m_entries.size(); ++i)
        if (m_entries.at(i).method == method)
            return i;
    return -1;
}

bool TwoFactorChooser::isEnabled(int index) const
{
    if (index < 0 || index >= m_entries.size())
        return false;
    const TwoFactorMethod m = m_entries.at(index).method;
    return m_methods.contains(m) && m_methods.value(m) != TwoFactorMethodState::Inactive;
}

QString TwoFactorChooser::errorText() const
{
    return tr("You have supplied an incorrect TAN.<br/> Please try again.");
}

void TwoFactorChooser::setTwoFactorMethods(const TwoFactorMethods &supported2fa)
{
    m_methods = supported2fa;
    emit changed();
}

void TwoFactorChooser::prepareTanForm(bool userError)
{
    if (userError) {
        // The attempt goes on with the same method: the form opens again
        // for a new TAN, under the error line.
        m_errorVisible = true;
        m_formOpen = m_current >= 0;
        refresh();
        return;
    }
    m_errorVisible = false;
    for (int i = 0; i < m_entries.size(); ++i) {
        if (isEnabled(i)) {
            m_current = i;
            selectTanMethod(i);
            m_errorVisible = false;
            return;
        }
    }
    refresh();
}

void TwoFactorChooser::selectTanMethod(int index)
{
    if (index < 0 || index >= m_entries.size())
        return;
    m_current = index;
    m_errorVisible = false;
    m_formOpen = false;
    m_info.clear();
    m_image = QImage();
    const Entry &entry = m_entries.at(index);
    if (m_challenged.contains(entry.method)) {
        showChallenge(entry.method);
    } else if (!m_requested.contains(entry.method)) {
        const TwoFactorMethodState state = m_methods.value(entry.method, TwoFactorMethodState::Unknown);
        if (state == TwoFactorMethodState::TemporarilyLocked)
            m_info = entry.temporarilyLockedText;
        else if (state == TwoFactorMethodState::PermanentlyLocked)
            m_info = entry.permanentlyLockedText;
        else if (state != TwoFactorMethodState::Active)
            m_info = entry.notActiveText;
        else if (entry.requestOnSelect)
            requestTanChallenge();
    }
    refresh();
}

void TwoFactorChooser::requestTanChallenge()
{
    if (m_current < 0)
        return;
    const TwoFactorMethod m = m_entries.at(m_current).method;
    if (m_requested.contains(m) || m_challenged.contains(m))
        return;
    m_requested.insert(m);
    emit requestTanMethod(m);
    refresh();
}

void TwoFactorChooser::setSmsNumber(const QString &number)
{
    m_mobileNumber = number;
}

void TwoFactorChooser::setSmsReference(const QString &)
{
    challengeArrived(TwoFactorMethod::Mtan);
}

void TwoFactorChooser::setPhotoTan(const QString &photoTan)
{
    m_photoTan = photoTan;
    challengeArrived(TwoFactorMethod::PhotoTan);
}

void TwoFactorChooser::setITan(const QString &iTan)
{
    m_iTan = iTan;
    challengeArrived(TwoFactorMethod::ITan);
}

void TwoFactorChooser::challengeArrived(TwoFactorMethod method)
{
    m_challenged.insert(method);
    if (m_current >= 0 && m_entries.at(m_current).method == method)
        showChallenge(method);
    refresh();
}

void TwoFactorChooser::showChallenge(TwoFactorMethod method)
{
    m_image = QImage();
    m_formOpen = m_challenged.contains(method);
    if (!m_formOpen)
        return;
    switch (method) {
    case TwoFactorMethod::Mtan:
        m_info = tr("The TAN was sent to %1. Please enter the TAN in the form field:").arg(m_mobileNumber);
        break;
    case TwoFactorMethod::PhotoTan: {
        QByteArray bytes = QByteArray::fromBase64(m_photoTan.toLatin1());
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        // The header first: its dimensions decide whether to decode at all.
        const QSize size = reader.size();
        if (m_photoTan.isEmpty()) {
            qCritical("Received empty photoTAN");
            m_info = tr("Unable to display photoTAN");
        } else if (size.width() > MaxPhotoTanSide || size.height() > MaxPhotoTanSide) {
            qCritical("Unable to decode photoTAN: %dx%d pixels is too large", size.width(), size.height());
            m_info = tr("Unable to display photoTAN");
        } else if (!reader.read(&m_image)) {
            m_image = QImage();
            qCritical("Unable to decode photoTAN");
            m_info = tr("Unable to display photoTAN");
        } else {
            m_info = tr("Please scan the graphic with your photoTAN app or photoTAN device. Then enter the TAN in the "
                        "form field only if the details displayed on your smartphone or device are correct.");
        }
        break;
    }
    case TwoFactorMethod::ITan:
        m_info = tr("Please enter the TAN with the number %1 in the form field:").arg(m_iTan.right(3));
        break;
    default:
        break;
    }
}

void TwoFactorChooser::submit(const QString &tan)
{
    emit sendTan(tan);
    reset();
}

void TwoFactorChooser::cancel()
{
    emit loginAborted();
    reset();
}

void TwoFactorChooser::reset()
{
    m_errorVisible = false;
    m_info.clear();
    m_image = QImage();
    m_formOpen = false;
    m_requested.clear();
    m_challenged.clear();
    m_methods.clear();
    m_iTan.clear();
    m_photoTan.clear();
    refresh();
}

void TwoFactorChooser::refresh()
{
    emit changed();
}

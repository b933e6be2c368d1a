#include "passwords/PasswordEntryForm.h"

#include <QFontMetrics>

#include <cmath>

QString PasswordEntryForm::windowTitle() const
{
    switch (m_mode) {
    case View:
        return tr("Password Entry");
    case Edit:
        return tr("Edit password");
    default:
        return tr("Add password");
    }
}

bool PasswordEntryForm::showsButton(Button button) const
{
    switch (button) {
    case Copy:
    case Show:
    case Open:
    case Cancel:
        return true;
    case EditButton:
        return m_mode == View;
    case Suggest:
    case Save:
        return m_mode != View;
    case SaveAndAddAnother:
        return m_mode == Create;
    }
    return false;
}

QString PasswordEntryForm::truncated(const QString &password, const QFontMetrics &metrics, int fieldWidth)
{
    const int available = int(std::floor(0.9 * fieldWidth));
    if (metrics.horizontalAdvance(password) <= available)
        return password;
    const QString suffix = QStringLiteral("... (") + tr("truncated") + QLatin1Char(')');
    const int suffixWidth = metrics.horizontalAdvance(suffix);
    int kept = password.size();
    while (kept > 0 && metrics.horizontalAdvance(password.left(kept)) + suffixWidth >= available)
        --kept;
    return password.left(kept) + suffix;
}

#include "ui/DebugDialog.h"

#include "app/Settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

DebugDialog::DebugDialog(QWidget *parent)
    : QDialog(parent)
    , m_url(new QLineEdit(Settings::value(Settings::UiDbgDialogServerUrl).toString(), this))
    , m_ignoreSsl(new QCheckBox(tr("Ignore TLS errors (insecure)"), this))
{
    setObjectName(QStringLiteral("debugDialog"));
    setWindowTitle(tr("Debug settings"));
    m_url->setObjectName(QStringLiteral("serverUrlEdit"));
    m_url->setPlaceholderText(QStringLiteral("https://127.0.0.1:8443"));
    m_ignoreSsl->setObjectName(QStringLiteral("ignoreSslCheckBox"));
    m_ignoreSsl->setChecked(Settings::value(Settings::UiDbgDialogIgnoreSsl).toBool());
    auto *form = new QFormLayout;
    form->addRow(tr("Server URL:"), m_url);
    form->addRow(QString(), m_ignoreSsl);
    auto *note = new QLabel(tr("The server URL takes effect at the next login; ignoring TLS errors at once."), this);
    note->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &DebugDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString DebugDialog::serverUrl() const
{
    return cleanServerUrl(m_url->text());
}

bool DebugDialog::ignoreSslErrors() const
{
    return m_ignoreSsl->isChecked();
}

QString DebugDialog::cleanServerUrl(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")))
        return QString();
    return url.toString(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::StripTrailingSlash);
}

void DebugDialog::save()
{
    if (!m_url->text().trimmed().isEmpty() && serverUrl().isEmpty()) {
        QMessageBox::warning(this, windowTitle(), tr("'%1' is not an http(s) address.").arg(m_url->text().trimmed()));
        m_url->setFocus();
        return;
    }
    Settings::setValue(Settings::UiDbgDialogServerUrl, serverUrl());
    Settings::setValue(Settings::UiDbgDialogIgnoreSsl, ignoreSslErrors());
    accept();
}

#include "ui/ProxyAuthDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

ProxyAuthDialog::ProxyAuthDialog(QWidget *parent)
    : QDialog(parent)
    , m_text(new QLabel(this))
    , m_user(new QLineEdit(this))
    , m_password(new QLineEdit(this))
{
    setObjectName(QStringLiteral("ProxyAuthDialog"));
    setWindowTitle(tr("Proxy Authentication"));
    setModal(true);
    m_text->setWordWrap(true);
    m_user->setObjectName(QStringLiteral("proxyUser"));
    m_password->setObjectName(QStringLiteral("proxyPassword"));
    m_password->setEchoMode(QLineEdit::Password);

    auto *form = new QFormLayout;
    form->addRow(tr("Proxy Username:"), m_user);
    form->addRow(tr("Proxy Password:"), m_password);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void ProxyAuthDialog::setText(const QString &text)
{
    m_text->setText(text);
}

QString ProxyAuthDialog::text() const
{
    return m_text->text();
}

QString ProxyAuthDialog::user() const
{
    return m_user->text();
}

QString ProxyAuthDialog::password() const
{
    return m_password->text();
}

void ProxyAuthDialog::setUser(const QString &user)
{
    m_user->setText(user);
}

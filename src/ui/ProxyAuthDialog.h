#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

// Asks for a web proxy's user name and password.
class ProxyAuthDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ProxyAuthDialog(QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const;
    QString user() const;
    QString password() const;
    void setUser(const QString &user);

private:
    QLabel *m_text;
    QLineEdit *m_user;
    QLineEdit *m_password;
};

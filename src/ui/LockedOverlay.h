#pragma once

#include <QWidget>

#include <functional>

class QGraphicsOpacityEffect;
class QLineEdit;
class QPropertyAnimation;

// Covers its parent while the password safe is locked and asks for the
// login password. A match emits unlocked(); a mismatch shakes the field.
// The check is handed in (the application's in-memory password check).
class LockedOverlay : public QWidget
{
    Q_OBJECT
public:
    using PasswordCheck = std::function<bool(const QString &password)>;

    LockedOverlay(PasswordCheck checkPassword, QWidget *parent);

    bool isShaking() const;

public slots:
    void fadeIn();
    void fadeOut();

signals:
    void unlocked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private slots:
    void tryUnlock();

private:
    void shake();
    void fade(qreal to);

    PasswordCheck m_check;
    QLineEdit *m_password;
    QGraphicsOpacityEffect *m_opacity;
    QPropertyAnimation *m_fade;
    QPropertyAnimation *m_shake;
};

#pragma once

#include <QFrame>
#include <QList>

class QLabel;

// "Strength:" and the level of a password in words and in five segments,
// lit in the level's colour up to the level.
class PasswordStrengthIndicator : public QFrame
{
    Q_OBJECT
public:
    explicit PasswordStrengthIndicator(QWidget *parent = nullptr);

    int score() const { return m_score; }
    QString levelText() const;

public slots:
    void setPassword(const QString &text);

private:
    QList<QFrame *> m_segments;
    QLabel *m_level;
    int m_score = 0;
};

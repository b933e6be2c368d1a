#pragma once

#include "ri/LoginTypes.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

// The decisions of the second-factor page that offers several TAN methods
// (photoTAN, mobileTAN, iTAN): which methods can be chosen, when a challenge
// is requested, what the page says, and what it sends. The widget only
// shows this state; tests drive it without widgets.
class TwoFactorChooser : public QObject
{
    Q_OBJECT
public:
    struct Entry
    {
        TwoFactorMethod method;
        QString label;
        bool requestOnSelect;
        QString temporarilyLockedText;
        QString permanentlyLockedText;
        QString notActiveText;
    };

    explicit TwoFactorChooser(QObject *parent = nullptr);

    const QList<Entry> &entries() const { return m_entries; }
    bool isEnabled(int index) const;
    int currentIndex() const { return m_current; }
    bool errorVisible() const { return m_errorVisible; }
    QString errorText() const;
    // The line above the TAN field: the challenge, a lock text, or empty.
    QString infoText() const { return m_info; }
    QImage image() const { return m_image; }
    // The TAN field and the submit button are offered.
    bool formOpen() const { return m_formOpen; }
    bool wasRequested(TwoFactorMethod m) const { return m_requested.contains(m); }

public slots:
    void reset();
    void prepareTanForm(bool userError);
    void setTwoFactorMethods(const TwoFactorMethods &supported2fa);
    void selectTanMethod(int index);
    void requestTanChallenge();
    void setSmsReference(const QString &reference);
    void setSmsNumber(const QString &number);
    void setPhotoTan(const QString &photoTan);
    void setITan(const QString &iTan);
    void submit(const QString &tan);
    void cancel();

signals:
    void requestTanMethod(TwoFactorMethod method);
    void sendTan(const QString &text);
    void loginAborted();
    // The shown state changed (enabled items, texts, selection, form).
    void changed();

private:
    int indexOf(TwoFactorMethod method) const;
    void challengeArrived(TwoFactorMethod method);
    void showChallenge(TwoFactorMethod method);
    void refresh();

    QList<Entry> m_entries;
    QSet<TwoFactorMethod> m_requested;
    QSet<TwoFactorMethod> m_challenged;
    TwoFactorMethods m_methods;
    int m_current = -1;
    bool m_errorVisible = false;
    bool m_formOpen = false;
    QString m_info;
    QImage m_image;
    QString m_mobileNumber;
    QString m_iTan;
    QString m_photoTan;
};

inline uint qHash(TwoFactorMethod m, uint seed = 0)
{
    return ::qHash(int(m), seed);
}

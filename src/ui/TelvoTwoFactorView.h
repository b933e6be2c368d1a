#pragma once

#include "ri/LoginTypes.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TwoFactorChooser;

// The second-factor page of the brand that offers several TAN methods. The
// decisions live in TwoFactorChooser; this page shows its state.
class TelvoTwoFactorView : public QWidget
{
    Q_OBJECT
public:
    explicit TelvoTwoFactorView(QWidget *parent = nullptr);
    TwoFactorChooser *chooser() const { return m_chooser; }

signals:
    void requestTanMethod(TwoFactorMethod method);
    void loginAborted();
    void sendTan(const QString &text);

public slots:
    void reset();
    void prepareTanForm(bool userError);
    void setTwoFactorMethods(const TwoFactorMethods &supported2fa);
    void setSmsReference(const QString &reference);
    void setSmsNumber(const QString &number);
    void setPhotoTan(const QString &photoTan);
    void setITan(const QString &iTan);

private slots:
    void requestTanChallenge();
    void selectTanMethod(int index);
    void submit();
    void cancel();

private:
    void refresh();

    TwoFactorChooser *m_chooser;
    QComboBox *m_methods;
    QLabel *m_info;
    QLabel *m_image;
    QLabel *m_error;
    QLineEdit *m_tan;
    QPushButton *m_request;
    QPushButton *m_submit;
    QPushButton *m_cancel;
};

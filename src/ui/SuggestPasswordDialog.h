#pragma once

#include "ui/OndoApplication.h"

#include <QDialog>

#include <memory>

class PasswordGenerator;
class PasswordStrengthIndicator;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

// Proposes a password: a "Memorizable Password" or a "Random Password" of
// the chosen length and character classes, rated by the strength
// indicator. A new one is made on every change and on "Refresh"; "OK" hands
// it on through password().
class SuggestPasswordDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SuggestPasswordDialog(QWidget *parent = nullptr);
    ~SuggestPasswordDialog() override;

    QString password() const;

public slots:
    // A logout closes the dialog: its password belongs to the session's user.
    void applicationStateChanged(OndoApplication::AppState newStatus);
    void generateNewPassword();
    void on_pwdTypeIndexChanged(int index);

private:
    std::unique_ptr<PasswordGenerator> m_generator;
    QComboBox *m_type;
    QSlider *m_length;
    QLabel *m_lengthLabel;
    QCheckBox *m_lowercaseOnly;
    QCheckBox *m_useNumbers;
    QCheckBox *m_useSpecial;
    QLineEdit *m_result;
    PasswordStrengthIndicator *m_indicator;
    QPushButton *m_ok;
};

#pragma once

#include "passwords/PasswordEntryForm.h"
#include "ri/PasswordTO.h"

#include <QDialog>
#include <QPointer>

class PasswordController;
class PasswordStrengthIndicator;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Shows, edits or creates one password entry. View mode shows the entry
// read-only and fetches the password only for "Show" and "Copy"; "Edit"
// fetches it in full and switches to edit mode. All server work goes through
// the password controller; saved() tells the list to reload.
class CreateViewEditPasswordDialog : public QDialog
{
    Q_OBJECT
public:
    CreateViewEditPasswordDialog(PasswordController *controller, PasswordEntryForm::Mode mode,
                                 const EmptyPasswordTO &entry = EmptyPasswordTO(), QWidget *parent = nullptr);
    ~CreateViewEditPasswordDialog() override;

    PasswordEntryForm::Mode mode() const { return m_form.mode(); }
    const EmptyPasswordTO &entry() const { return m_entry; }

public slots:
    // Fetches the password and switches to edit mode (a failure says so and
    // stays in view mode).
    void beginEdit();

signals:
    void saved(const EmptyPasswordTO &entry);

private slots:
    void save(bool addAnother);
    void copyUsername();
    void copyPassword();
    void toggleShow(bool shown);
    void openAddress();
    void suggest();

private:
    void applyMode();
    void fillEntry();
    void clearPassword();
    void showPasswordText(const QString &text);
    QPoint originOf(QWidget *w) const;
    QPushButton *button(const QString &text, const char *name);

    QPointer<PasswordController> m_controller;
    PasswordEntryForm m_form;
    EmptyPasswordTO m_entry;
    QLineEdit *m_title;
    QLineEdit *m_username;
    QLineEdit *m_password;
    QLineEdit *m_url;
    QPlainTextEdit *m_comment;
    PasswordStrengthIndicator *m_indicator;
    QPushButton *m_copyUsername;
    QPushButton *m_copyPassword;
    QPushButton *m_show;
    QPushButton *m_suggest;
    QPushButton *m_open;
    QPushButton *m_edit;
    QPushButton *m_cancel;
    QPushButton *m_save;
    QPushButton *m_saveAndAdd;
    bool m_busy = false;
};

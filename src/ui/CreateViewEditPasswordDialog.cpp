#include "ui/CreateViewEditPasswordDialog.h"

#include "passwords/PasswordController.h"
#include "passwords/SecretWipe.h"
#include "ui/OpenBox.h"
#include "ui/PasswordStrengthIndicator.h"
#include "ui/SuggestPasswordDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CreateViewEditPasswordDialog::CreateViewEditPasswordDialog(PasswordController *controller,
                                                           PasswordEntryForm::Mode mode, const EmptyPasswordTO &entry,
                                                           QWidget *parent)
    : QDialog(parent)
    , m_controller(controller)
    , m_form(mode)
    , m_entry(entry)
    , m_title(new QLineEdit(this))
    , m_username(new QLineEdit(this))
    , m_password(new QLineEdit(this))
    , m_url(new QLineEdit(this))
    , m_comment(new QPlainTextEdit(this))
    , m_indicator(new PasswordStrengthIndicator(this))
    , m_copyUsername(button(tr("Copy"), "copyUsernameButton"))
    , m_copyPassword(button(tr("Copy"), "copyPasswordButton"))
    , m_show(button(tr("Show"), "showButton"))
    , m_suggest(button(tr("Suggest"), "suggestButton"))
    , m_open(button(tr("Open"), "openButton"))
    , m_edit(button(tr("Edit"), "editButton"))
    , m_cancel(button(tr("Cancel"), "cancelButton"))
    , m_save(button(tr("Save"), "saveButton"))
    , m_saveAndAdd(button(tr("Save and add another"), "saveAndAddButton"))
{
    m_title->setObjectName(QStringLiteral("titleEdit"));
    m_username->setObjectName(QStringLiteral("usernameEdit"));
    m_password->setObjectName(QStringLiteral("passwordEdit"));
    m_url->setObjectName(QStringLiteral("urlEdit"));
    m_comment->setObjectName(QStringLiteral("commentEdit"));
    m_comment->setTabChangesFocus(true);
    m_show->setCheckable(true);
    m_password->setMinimumWidth(260);

    auto row = [this](QWidget *field, std::initializer_list<QWidget *> extra) {
        auto *layout = new QHBoxLayout;
        layout->addWidget(field, 1);
        for (QWidget *w : extra)
            layout->addWidget(w);
        return layout;
    };
    auto *form = new QFormLayout;
    form->addRow(tr("Title"), m_title);
    form->addRow(tr("Username"), row(m_username, {m_copyUsername}));
    form->addRow(tr("Password"), row(m_password, {m_show, m_copyPassword, m_suggest}));
    form->addRow(QString(), m_indicator);
    form->addRow(tr("Web Address"), row(m_url, {m_open}));
    form->addRow(tr("Comment"), m_comment);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_edit);
    buttons->addStretch(1);
    buttons->addWidget(m_saveAndAdd);
    buttons->addWidget(m_save);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_copyUsername, &QPushButton::clicked, this, &CreateViewEditPasswordDialog::copyUsername);
    connect(m_copyPassword, &QPushButton::clicked, this, &CreateViewEditPasswordDialog::copyPassword);
    connect(m_show, &QPushButton::toggled, this, &CreateViewEditPasswordDialog::toggleShow);
    connect(m_suggest, &QPushButton::clicked, this, &CreateViewEditPasswordDialog::suggest);
    connect(m_open, &QPushButton::clicked, this, &CreateViewEditPasswordDialog::openAddress);
    connect(m_edit, &QPushButton::clicked, this, &CreateViewEditPasswordDialog::beginEdit);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_save, &QPushButton::clicked, this, [this] { save(false); });
    connect(m_saveAndAdd, &QPushButton::clicked, this, [this] { save(true); });
    connect(m_password, &QLineEdit::textChanged, m_indicator, &PasswordStrengthIndicator::setPassword);
    m_save->setDefault(true);

    fillEntry();
    applyMode();
}

CreateViewEditPasswordDialog::~CreateViewEditPasswordDialog()
{
    clearPassword();
}

QPushButton *CreateViewEditPasswordDialog::button(const QString &text, const char *name)
{
    auto *b = new QPushButton(text, this);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QPoint CreateViewEditPasswordDialog::originOf(QWidget *w) const
{
    return w->mapToGlobal(w->rect().center());
}

void CreateViewEditPasswordDialog::fillEntry()
{
    m_title->setText(m_entry.title);
    m_username->setText(m_entry.username);
    m_url->setText(m_entry.url);
    m_comment->setPlainText(m_entry.comment);
}

void CreateViewEditPasswordDialog::applyMode()
{
    setWindowTitle(m_form.windowTitle());
    const bool editable = m_form.isEditable();
    for (QLineEdit *field : {m_title, m_username, m_password, m_url})
        field->setReadOnly(!editable);
    m_comment->setReadOnly(!editable);
    m_indicator->setVisible(editable);
    m_password->setPlaceholderText(editable ? QString() : QStringLiteral("******"));
    const std::pair<QPushButton *, PasswordEntryForm::Button> buttons[] = {
        {m_copyUsername, PasswordEntryForm::Copy}, {m_copyPassword, PasswordEntryForm::Copy},
        {m_show, PasswordEntryForm::Show},         {m_suggest, PasswordEntryForm::Suggest},
        {m_open, PasswordEntryForm::Open},         {m_edit, PasswordEntryForm::EditButton},
        {m_cancel, PasswordEntryForm::Cancel},     {m_save, PasswordEntryForm::Save},
        {m_saveAndAdd, PasswordEntryForm::SaveAndAddAnother}};
    for (const auto &b : buttons)
        b.first->setVisible(m_form.showsButton(b.second));
    m_show->setChecked(false);
    m_password->setEchoMode(QLineEdit::Password);
}

void CreateViewEditPasswordDialog::clearPassword()
{
    m_password->clear();
}

void CreateViewEditPasswordDialog::showPasswordText(const QString &text)
{
    m_password->setEchoMode(QLineEdit::Normal);
    m_password->setText(PasswordEntryForm::truncated(text, m_password->fontMetrics(), m_password->width()));
}

void CreateViewEditPasswordDialog::toggleShow(bool shown)
{
    if (m_form.isEditable()) {
        m_password->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
        return;
    }
    if (!shown) {
        clearPassword();
        m_password->setEchoMode(QLineEdit::Password);
        return;
    }
    if (!m_controller)
        return;
    const QPointer<CreateViewEditPasswordDialog> self(this);
    m_controller->getPassword(m_entry.id, [self](const Result<SinglePasswordTO> &result) {
        if (!self || !self->m_controller || !self->m_show->isChecked() || self->m_form.isEditable())
            return;
        std::optional<QString> clear = result.isOk() ? self->m_controller->decryptPassword(result.value) : std::nullopt;
        if (!clear) {
            self->m_controller->showNotice(self->originOf(self->m_show), tr("Failed to retrieve password from server!"));
            self->m_show->setChecked(false);
            return;
        }
        self->showPasswordText(*clear);
        SecretWipe::wipe(*clear);
    });
}

void CreateViewEditPasswordDialog::beginEdit()
{
    if (!m_controller || m_busy)
        return;
    m_busy = true;
    const QPointer<CreateViewEditPasswordDialog> self(this);
    m_controller->getPassword(m_entry.id, [self](const Result<SinglePasswordTO> &result) {
        if (!self || !self->m_controller)
            return;
        self->m_busy = false;
        std::optional<QString> clear = result.isOk() ? self->m_controller->decryptPassword(result.value) : std::nullopt;
        if (!clear) {
            if (!result.isOk())
                qWarning("CreateViewEditPasswordDialog::beginEdit: %s", qUtf8Printable(result.message));
            OpenBox::inform(self, QMessageBox::Critical, tr("Error"),
                            tr("Failed to retrieve password from server for editing!"));
            return;
        }
        self->m_form.setMode(PasswordEntryForm::Edit);
        self->applyMode();
        self->m_password->setText(*clear);
        SecretWipe::wipe(*clear);
        self->m_title->setFocus();
    });
}

void CreateViewEditPasswordDialog::save(bool addAnother)
{
    if (!m_controller || m_busy || !m_form.isEditable())
        return;
    if (!PasswordEntryForm::isTitleValid(m_title->text())) {
        m_title->setStyleSheet(QStringLiteral("border: 1px solid red"));
        OpenBox::inform(this, QMessageBox::Critical, tr("Invalid Data"), tr("You entered invalid data"));
        return;
    }
    m_title->setStyleSheet(QString());
    EmptyPasswordTO typed{m_entry.id, m_title->text().trimmed(), m_username->text(), m_url->text().trimmed(),
                          m_comment->toPlainText()};
    const PasswordRecord record = PasswordRecord::from(typed);
    const bool creating = m_form.mode() == PasswordEntryForm::Create;
    m_busy = true;
    m_save->setEnabled(false);
    m_saveAndAdd->setEnabled(false);
    const QPointer<CreateViewEditPasswordDialog> self(this);
    auto done = [self, creating, addAnother](const Result<EmptyPasswordTO> &result) {
        if (!self)
            return;
        self->m_busy = false;
        self->m_save->setEnabled(true);
        self->m_saveAndAdd->setEnabled(true);
        if (!result.isOk()) {
            if (creating) {
                qWarning("Unable to save password: %s", qUtf8Printable(result.message));
                OpenBox::inform(self, QMessageBox::Critical, tr("Error"), tr("Unable to save password"));
            } else {
                qWarning("Unable to edit password: %s", qUtf8Printable(result.message));
                OpenBox::inform(self, QMessageBox::Critical, tr("Error"), tr("Unable to edit password"));
            }
            return;
        }
        emit self->saved(result.value);
        if (creating && addAnother) {
            self->m_entry = EmptyPasswordTO();
            self->fillEntry();
            self->clearPassword();
            self->m_title->setFocus();
            return;
        }
        self->accept();
    };
    if (creating)
        m_controller->createPassword(record, m_password->text(), done);
    else
        m_controller->updatePassword(record, m_password->text(), done);
}

void CreateViewEditPasswordDialog::copyUsername()
{
    if (!m_controller)
        return;
    const QPoint origin = originOf(m_copyUsername);
    if (m_username->text().isEmpty())
        m_controller->showNotice(origin, tr("The Username field is empty!"));
    else if (!m_controller->copyUsernameToClipboard(origin, m_entry.id, m_username->text()))
        m_controller->showNotice(origin, tr("Unable to copy username"));
}

void CreateViewEditPasswordDialog::copyPassword()
{
    if (!m_controller)
        return;
    const QPoint origin = originOf(m_copyPassword);
    if (!m_form.isEditable()) {
        // View mode holds no password: it is fetched for the copy.
        m_controller->loadPasswordForClipboard(origin, m_entry.id, QString());
        return;
    }
    if (m_password->text().isEmpty())
        m_controller->showNotice(origin, tr("The Password field is empty!"));
    else if (m_controller->copyPasswordToClipboard(origin, m_password->text()))
        m_controller->showNotice(origin, tr("Copied to clipboard"));
    else
        m_controller->showNotice(origin, tr("Unable to copy password"));
}

void CreateViewEditPasswordDialog::openAddress()
{
    if (!m_controller)
        return;
    const QPoint origin = originOf(m_open);
    if (m_url->text().trimmed().isEmpty())
        m_controller->showNotice(origin, tr("The Web Address field is empty!"));
    else if (!m_controller->openUrlInBrowser(origin, m_entry.id, m_url->text()))
        m_controller->showNotice(origin, tr("Unable to open address"));
}

void CreateViewEditPasswordDialog::suggest()
{
    auto *dialog = new SuggestPasswordDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        m_password->setText(dialog->password());
    });
    dialog->open();
}

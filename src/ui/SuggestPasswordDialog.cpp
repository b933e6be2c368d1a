#include "ui/SuggestPasswordDialog.h"

#include "passwords/PasswordGenerator.h"
#include "passwords/SecretWipe.h"
#include "ui/PasswordStrengthIndicator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

SuggestPasswordDialog::SuggestPasswordDialog(QWidget *parent)
    : QDialog(parent)
    , m_generator(std::make_unique<PasswordGenerator>())
    , m_type(new QComboBox(this))
    , m_length(new QSlider(Qt::Horizontal, this))
    , m_lengthLabel(new QLabel(this))
    , m_lowercaseOnly(new QCheckBox(tr("Lowercase only"), this))
    , m_useNumbers(new QCheckBox(tr("Use numbers"), this))
    , m_useSpecial(new QCheckBox(tr("Use special characters"), this))
    , m_result(new QLineEdit(this))
    , m_indicator(new PasswordStrengthIndicator(this))
    , m_ok(new QPushButton(tr("OK"), this))
{
    setWindowTitle(tr("Suggest password"));
    m_type->setObjectName(QStringLiteral("pwdTypeBox"));
    m_type->addItems({tr("Memorizable Password"), tr("Random Password")});
    m_length->setObjectName(QStringLiteral("lengthSlider"));
    m_length->setRange(1, 32);
    m_length->setValue(12);
    m_length->setTickInterval(1);
    m_length->setTickPosition(QSlider::TicksBelow);
    m_lengthLabel->setObjectName(QStringLiteral("lengthValueLabel"));
    m_lowercaseOnly->setObjectName(QStringLiteral("lowercaseOnlyBox"));
    m_useNumbers->setObjectName(QStringLiteral("useNumbersBox"));
    m_useNumbers->setChecked(true);
    m_useSpecial->setObjectName(QStringLiteral("useSpecialBox"));
    m_useSpecial->setChecked(true);
    m_result->setObjectName(QStringLiteral("suggestionEdit"));
    m_result->setReadOnly(true);
    m_ok->setObjectName(QStringLiteral("okButton"));
    auto *refresh = new QPushButton(tr("Refresh"), this);
    refresh->setObjectName(QStringLiteral("refreshButton"));
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));

    auto *lengthRow = new QHBoxLayout;
    lengthRow->addWidget(m_length, 1);
    lengthRow->addWidget(m_lengthLabel);
    auto *form = new QFormLayout;
    form->addRow(tr("Type"), m_type);
    form->addRow(tr("Length"), lengthRow);
    form->addRow(QString(), m_lowercaseOnly);
    form->addRow(QString(), m_useNumbers);
    form->addRow(QString(), m_useSpecial);
    auto *resultRow = new QHBoxLayout;
    resultRow->addWidget(m_result, 1);
    resultRow->addWidget(refresh);
    form->addRow(tr("Password"), resultRow);
    form->addRow(QString(), m_indicator);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_type, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SuggestPasswordDialog::on_pwdTypeIndexChanged);
    connect(m_length, &QSlider::valueChanged, this, &SuggestPasswordDialog::generateNewPassword);
    for (QCheckBox *box : {m_lowercaseOnly, m_useNumbers, m_useSpecial})
        connect(box, &QCheckBox::toggled, this, &SuggestPasswordDialog::generateNewPassword);
    connect(refresh, &QPushButton::clicked, this, &SuggestPasswordDialog::generateNewPassword);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    if (OndoApplication *app = OndoApplication::instance())
        connect(app, &OndoApplication::appStateChanged, this, &SuggestPasswordDialog::applicationStateChanged);
    on_pwdTypeIndexChanged(0);
}

SuggestPasswordDialog::~SuggestPasswordDialog() = default;

QString SuggestPasswordDialog::password() const
{
    return m_result->text();
}

void SuggestPasswordDialog::applicationStateChanged(OndoApplication::AppState newStatus)
{
    if (newStatus != OndoApplication::Active)
        reject();
}

void SuggestPasswordDialog::on_pwdTypeIndexChanged(int index)
{
    // The length and the classes only shape the random form.
    const bool random = index == 1;
    for (QWidget *w : std::initializer_list<QWidget *>{m_length, m_lowercaseOnly, m_useNumbers, m_useSpecial})
        w->setEnabled(random);
    generateNewPassword();
    adjustSize();
}

void SuggestPasswordDialog::generateNewPassword()
{
    std::optional<QString> text = m_type->currentIndex() == 1
                                      ? m_generator->random(m_length->value(), !m_lowercaseOnly->isChecked(),
                                                            m_useSpecial->isChecked(), m_useNumbers->isChecked())
                                      : m_generator->memorizable();
    m_result->setText(text.value_or(QString()));
    m_ok->setEnabled(bool(text));
    m_indicator->setPassword(m_result->text());
    m_lengthLabel->setText(QString::number(m_length->value()));
    if (text)
        SecretWipe::wipe(*text);
}
